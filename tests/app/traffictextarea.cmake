meterdesk_test(tst_traffictextarea SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_traffictextarea.cpp LIBS trafficview)
