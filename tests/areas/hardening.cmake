# Bad input end to end: broken replies, untrusted services, wrong data, secrets.
halvik_add_test(tst_badinput SOURCES tst_badinput.cpp DomainPageHarness.h support/ApiTestUtil.h
                LIBS halvik_manage halvik_testserver halvik_testsupport
                     halvik_localservice_testsupport)
