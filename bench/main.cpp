#include <QCoreApplication>

#include <benchmark/benchmark.h>
#include <curl/curl.h>

int main(int argc, char *argv[])
{
    // The scripted server finds its certificates here.
    if (qEnvironmentVariableIsEmpty("HALVIK_TEST_DATA"))
        qputenv("HALVIK_TEST_DATA", HALVIK_BENCH_TEST_DATA);
    QCoreApplication app(argc, argv);
    curl_global_init(CURL_GLOBAL_DEFAULT);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    curl_global_cleanup();
    return 0;
}
