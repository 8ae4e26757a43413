# Host resolution, the ICMP echo and the echo of many hosts at once.
add_library(tp_ping_core STATIC ${CMAKE_CURRENT_LIST_DIR}/ping_text.cpp)
target_include_directories(tp_ping_core PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(tp_ping_core PUBLIC tp_base)

if(WIN32)
  add_library(tp_ping_win STATIC ${CMAKE_CURRENT_LIST_DIR}/ping_win.cpp ${CMAKE_CURRENT_LIST_DIR}/echo_all_win.cpp)
  target_link_libraries(tp_ping_win PUBLIC tp_ping_core tp_win wsock32)
endif()
