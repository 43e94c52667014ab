# Batch jobs: the job runner, the add-domains page and the batch record jobs.
halvik_add_test(tst_batchlogic SOURCES tst_batchlogic.cpp LIBS halvik_manage)
halvik_add_test(tst_jobrunner SOURCES tst_jobrunner.cpp LIBS halvik_manage)
halvik_add_test(tst_adddomainspage SOURCES tst_adddomainspage.cpp
                LIBS halvik_manage halvik_testsupport halvik_localservice_testsupport)
halvik_add_test(tst_batchjobspage SOURCES tst_batchjobspage.cpp
                LIBS halvik_manage halvik_testsupport halvik_localservice_testsupport)
