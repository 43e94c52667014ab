# The record list page: what it decides without a window, and the page against the stand-in.
halvik_add_test(tst_recordlogic SOURCES tst_recordlogic.cpp LIBS halvik_manage)
halvik_add_test(tst_recordpage SOURCES tst_recordpage.cpp
                LIBS halvik_manage halvik_testsupport halvik_localservice_testsupport)
