# Network scan and remote desktop: the portable texts and the name rule, and
# on Windows the walk through the network neighbourhood.
if(NOT TARGET tp_nettools_core)
  add_library(tp_nettools_core STATIC)
  target_include_directories(tp_nettools_core PUBLIC ${PROJECT_SOURCE_DIR}/src)
endif()
target_sources(tp_nettools_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/remote_desktop.cpp
  ${CMAKE_CURRENT_LIST_DIR}/netscan_rules.cpp)
target_link_libraries(tp_nettools_core PUBLIC tp_app_core)

if(WIN32)
  add_library(tp_netscan_win STATIC ${CMAKE_CURRENT_LIST_DIR}/netscan_win.cpp)
  target_include_directories(tp_netscan_win PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(tp_netscan_win PUBLIC tp_nettools_core tp_computers_win tp_win mpr)
endif()
