# Helpers shared by the subsystem folders.

# GoogleTest from the system's sources, built for whichever toolchain is active.
function(talkpost_use_googletest)
  if(NOT TARGET gtest)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
    set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
    # The system's GoogleTest sources are not ours to keep warning-free.
    foreach(t gtest gtest_main gmock gmock_main)
      target_compile_options(${t} PRIVATE -w)
    endforeach()
    # One precompiled header that every test program reuses: GoogleTest's
    # headers (and the platform's on Windows) are most of the time a test
    # file takes to compile.
    set(anchor ${CMAKE_BINARY_DIR}/talkpost_test_pch.cpp)
    if(NOT EXISTS ${anchor})
      file(WRITE ${anchor} "// Compiles the test programs' precompiled header.\n")
    endif()
    add_library(talkpost_test_pch STATIC ${anchor})
    target_link_libraries(talkpost_test_pch PRIVATE gmock gtest)
    set(headers <gmock/gmock.h> <gtest/gtest.h> <algorithm> <atomic> <chrono> <cstdint> <filesystem>
                <fstream> <functional> <map> <memory> <optional> <set> <sstream> <string> <thread> <vector>)
    if(WIN32)
      list(APPEND headers <windows.h>)
    endif()
    target_precompile_headers(talkpost_test_pch PRIVATE ${headers})
    talkpost_test_options(talkpost_test_pch)
  endif()
endfunction()

# The test programs' own files are compiled unoptimised on the release build:
# the code under test comes optimised from its libraries, and a test file
# compiles in a good part less time. Every test program and its precompiled
# header have the same options.
function(talkpost_test_options target)
  if(WIN32)
    target_compile_options(${target} PRIVATE -O0)
  endif()
endfunction()

# talkpost_test(NAME <name> SOURCES <files...> LIBS <targets...> [GUI] [LABELS <labels>] [SERVERS <script>])
# One GoogleTest executable and one CTest test. On the Windows build the test
# runs under Wine (the toolchain's emulator); GUI tests need the prepared
# Wine prefix with the stand-ins, so they depend on the prefix fixture.
#
# With SERVERS <script> the test runs inside that script, which starts the
# servers it needs on 127.0.0.1 and then runs "<emulator> <test program>".
function(talkpost_test)
  cmake_parse_arguments(T "GUI" "NAME;SERVERS" "SOURCES;LIBS;LABELS" ${ARGN})
  talkpost_use_googletest()
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} gmock gtest_main)
  target_include_directories(${T_NAME} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  target_precompile_headers(${T_NAME} REUSE_FROM talkpost_test_pch)
  talkpost_test_options(${T_NAME})
  if(T_SERVERS)
    add_test(NAME ${T_NAME} COMMAND ${T_SERVERS} ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:${T_NAME}>)
  else()
    add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  endif()
  set(labels ${T_LABELS})
  if(WIN32)
    list(APPEND labels wine)
    set_tests_properties(${T_NAME} PROPERTIES FIXTURES_REQUIRED wineprefix
      ENVIRONMENT "TALKPOST_SOURCE_DIR=${PROJECT_SOURCE_DIR};TALKPOST_BINARY_DIR=${PROJECT_BINARY_DIR}")
  else()
    list(APPEND labels native)
    set_tests_properties(${T_NAME} PROPERTIES
      ENVIRONMENT "TALKPOST_SOURCE_DIR=${PROJECT_SOURCE_DIR};TALKPOST_BINARY_DIR=${PROJECT_BINARY_DIR}")
  endif()
  set_tests_properties(${T_NAME} PROPERTIES LABELS "${labels}")
endfunction()

# talkpost_strip(<target>): the shipped program carries no symbols; they stay
# beside it in <file>.debug for crash analysis.
function(talkpost_strip target)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_OBJCOPY} --only-keep-debug $<TARGET_FILE:${target}> $<TARGET_FILE:${target}>.debug
    COMMAND ${CMAKE_OBJCOPY} --strip-all --add-gnu-debuglink=$<TARGET_FILE:${target}>.debug $<TARGET_FILE:${target}>
    WORKING_DIRECTORY $<TARGET_FILE_DIR:${target}> VERBATIM)
endfunction()
