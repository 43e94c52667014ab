// A zone file as a user imports it: read through ldns and our checks for one domain, planned
// against a domain's records (pruning too), and every record the plan would create written
// out again, which must read back whole.
#include "client/plan/RecordJson.h"
#include "client/zone/ZoneParser.h"
#include "client/zone/ZonePlanner.h"
#include "client/zone/ZoneWriter.h"
#include "fuzz/FuzzSupport.h"

namespace {

Record liveRecord(int id, const char *host, const char *type, const char *value, int state = 0)
{
    Record r;
    r.id = id;
    r.host = QString::fromLatin1(host);
    r.type = QString::fromLatin1(type);
    r.value = QString::fromLatin1(value);
    r.ttl = 600;
    r.mx = 10;
    r.state = state;
    return r;
}

const QList<Record> &liveRecords()
{
    static const QList<Record> records = {
        liveRecord(1, "@", "A", "192.0.2.1"), liveRecord(2, "www", "CNAME", "cdn.example.net"),
        liveRecord(3, "@", "NS", "ns1.example.net"), liveRecord(4, "@", "TXT", "v=spf1 -all"),
        liveRecord(5, "old", "A", "192.0.2.9", 2)};
    return records;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString domain = QStringLiteral("example.cn");
    const ZoneFile file = parseZoneText(fuzzBytes(data, size), domain);
    for (const ZoneError &e : file.errors)
        fuzzCheck(!e.message.isEmpty(), "every fault says what it is");
    if (!file.errors.isEmpty())
        return 0;
    for (const ZoneRecord &r : file.records)
        fuzzCheck(r.line > 0 && !r.host.isEmpty(), "a record has its line and host");

    const ChangePlan plan = planZoneImport(file, domain, liveRecords(), 0, true);
    QList<Record> created;
    for (const PlanStep &s : plan.domains.first().steps) {
        const int id = recordFromJson(s.before).id;
        fuzzCheck(s.op != StepOps::Delete || (id != 3 && id != 5),
                  "apex NS and paused records are never deleted");
        if (s.op == StepOps::Create)
            created.append(recordFromJson(s.after));
    }
    const ZoneExport zone = writeZone(domain, created, 0);
    const ZoneFile again = parseZoneText(zone.text, domain);
    fuzzCheck(again.errors.isEmpty(), "an export reads back without faults");
    fuzzCheck(again.records.size() == zone.written, "an export reads back whole");
    if (zone.unwritable == 0) {
        const ChangePlan replay = planZoneImport(again, domain, created, 0, true);
        fuzzCheck(!replay.changesAnything(), "an export imported again plans nothing");
    }
    return 0;
}
