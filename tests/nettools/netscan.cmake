# Network scan and remote desktop: the texts and the name rule natively, the
# walk over a scripted network and the system's network under Wine.
talkpost_test(NAME remote_desktop_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/remote_desktop_test.cpp LIBS tp_nettools_core)
talkpost_test(NAME netscan_rules_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/netscan_rules_test.cpp LIBS tp_nettools_core)
if(WIN32)
  talkpost_test(NAME netscan_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/netscan_test_win.cpp
    ${CMAKE_CURRENT_LIST_DIR}/netscan_scripted_network_win.cpp LIBS tp_netscan_win tp_test_support GUI)
endif()
