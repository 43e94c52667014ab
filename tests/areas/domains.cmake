# The domain list page and the group editor.
halvik_add_test(tst_domainlist_logic SOURCES tst_domainlist_logic.cpp LIBS halvik_manage)
halvik_add_test(tst_domainlist_page SOURCES tst_domainlist_page.cpp DomainPageHarness.h
                LIBS halvik_manage halvik_testsupport halvik_localservice_testsupport)
halvik_add_test(tst_groupeditor SOURCES tst_groupeditor.cpp DomainPageHarness.h
                LIBS halvik_manage halvik_testsupport halvik_localservice_testsupport)
