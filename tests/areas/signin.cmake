# The sign-in window: device id, WeChat page parsing, password and WeChat sign-in.
halvik_add_test(tst_deviceid SOURCES tst_deviceid.cpp LIBS halvik_deviceid)
halvik_add_test(tst_wxqrpage SOURCES tst_wxqrpage.cpp LIBS halvik_signincore)
halvik_add_test(tst_signinwindow SOURCES tst_signinwindow.cpp
                LIBS halvik_signin halvik_testserver halvik_testsupport)
halvik_add_test(tst_wxsignin SOURCES tst_wxsignin.cpp
                LIBS halvik_signin halvik_testserver halvik_testsupport)
halvik_add_test(tst_signin_localservice SOURCES tst_signin_localservice.cpp
                LIBS halvik_signin halvik_localservice_testsupport halvik_testsupport)
