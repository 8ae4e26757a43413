# Helpers shared by the subsystem folders.

# talkpost_pch_library(<name>): a library of one empty file whose only work is
# compiling a precompiled header that other targets reuse.
function(talkpost_pch_library name)
  set(anchor ${CMAKE_BINARY_DIR}/${name}.cpp)
  if(NOT EXISTS ${anchor})
    file(WRITE ${anchor} "// Compiles a precompiled header that other targets reuse.\n")
  endif()
  add_library(${name} STATIC ${anchor})
endfunction()

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
    talkpost_pch_library(talkpost_test_pch)
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

# A precompiled header for the Win32 side of the program: <windows.h> and
# the standard headers most of its files include are most of the time such a
# file takes to compile. Compiled once and reused by every library and
# program with a Win32 source (a file named *_win.cpp). Portable libraries
# get none: they stay honest about <windows.h>, and their small files compile
# faster on their own than with a header of that size. Targets with compile
# options of their own, or a header of their own, are left alone: a reused
# header must be compiled with the same options.
option(TALKPOST_PRECOMPILE "Windows build: a shared precompiled header for the Win32 files" ON)

# talkpost_precompile(<dirs...>): the shared header for every library and
# program with a Win32 source defined in <dirs> and below.
function(talkpost_precompile)
  if(NOT WIN32 OR NOT TALKPOST_PRECOMPILE)
    return()
  endif()
  talkpost_pch_library(talkpost_pch_win)
  target_precompile_headers(talkpost_pch_win PRIVATE <windows.h> <chrono> <functional> <map> <memory> <mutex>
                            <optional> <string> <string_view> <vector>)
  # The options every target starts with; a target with more has options of its own.
  get_property(common_options DIRECTORY ${PROJECT_SOURCE_DIR} PROPERTY COMPILE_OPTIONS)
  set(dirs ${ARGN})
  while(dirs)
    list(POP_FRONT dirs dir)
    get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
    list(APPEND dirs ${subdirs})
    get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
    foreach(target ${targets})
      get_target_property(type ${target} TYPE)
      get_target_property(sources ${target} SOURCES)
      if(NOT type MATCHES "^(STATIC_LIBRARY|SHARED_LIBRARY|EXECUTABLE)$" OR NOT sources MATCHES "_win\\.cpp")
        continue()
      endif()
      get_target_property(own_options ${target} COMPILE_OPTIONS)
      get_target_property(own_headers ${target} PRECOMPILE_HEADERS)
      get_target_property(reused ${target} PRECOMPILE_HEADERS_REUSE_FROM)
      if(NOT own_options STREQUAL common_options OR own_headers OR reused)
        continue()
      endif()
      target_precompile_headers(${target} REUSE_FROM talkpost_pch_win)
    endforeach()
  endwhile()
endfunction()
