# The record list page: what it decides without a window, and the page against the stand-in.
halvik_add_test(tst_recordlogic SOURCES tst_recordlogic.cpp LIBS halvik_manage)
