# The echo test: its texts natively, the echo itself against 127.0.0.1 under Wine.
talkpost_test(NAME ping_text_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/ping_text_test.cpp LIBS tp_ping_core)

if(WIN32)
  talkpost_test(NAME ping_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/ping_test_win.cpp
    LIBS tp_ping_win tp_test_support)
  # icmp.dll switched off by Wine's own override, which a process reads at its start.
  add_test(NAME ping_icmp_switched_off
    COMMAND ping_test --gtest_filter=PingHost.ALibraryTheSystemRefusesFailsTheSameWay)
  set_tests_properties(ping_icmp_switched_off PROPERTIES FIXTURES_REQUIRED wineprefix LABELS wine
    ENVIRONMENT "WINEDLLOVERRIDES=icmp=d;TALKPOST_ICMP_SWITCHED_OFF=1")
endif()
