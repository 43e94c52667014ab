# The message centre and the settings and help pages.
halvik_add_test(tst_messagelogic SOURCES tst_messagelogic.cpp LIBS halvik_manage)
halvik_add_test(tst_messagepage SOURCES tst_messagepage.cpp
                LIBS halvik_manage halvik_testsupport halvik_localservice_testsupport
                     Qt5::WebKitWidgets)
halvik_add_test(tst_settingspage SOURCES tst_settingspage.cpp
                LIBS halvik_signin halvik_manage halvik_testsupport
                     halvik_localservice_testsupport)
