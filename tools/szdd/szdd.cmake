# The SZDD compressor built for the machine that runs the build, so that a
# cross build can compress its own executables. Defines TALKPOST_HOST_SZDD
# (the tool's path) and a custom command that makes it, in the including folder.
find_program(TALKPOST_HOST_CXX NAMES g++ c++ REQUIRED)
set(TALKPOST_HOST_SZDD ${CMAKE_BINARY_DIR}/host/szdd)
set(_szdd_sources ${PROJECT_SOURCE_DIR}/tools/szdd/szdd.cpp ${PROJECT_SOURCE_DIR}/tools/szdd/szdd_main.cpp)
add_custom_command(OUTPUT ${TALKPOST_HOST_SZDD}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/host
  COMMAND ${TALKPOST_HOST_CXX} -std=c++20 -O2 -I${PROJECT_SOURCE_DIR}/tools -o ${TALKPOST_HOST_SZDD} ${_szdd_sources}
  DEPENDS ${_szdd_sources} ${PROJECT_SOURCE_DIR}/tools/szdd/szdd.h
  COMMENT "Building the SZDD compressor for the build machine")

# talkpost_szdd_compress(<target> <output>): output is the target's file, compressed.
function(talkpost_szdd_compress target output)
  add_custom_command(OUTPUT ${output}
    COMMAND ${TALKPOST_HOST_SZDD} $<TARGET_FILE:${target}> ${output}
    DEPENDS ${target} ${TALKPOST_HOST_SZDD}
    COMMENT "Compressing ${target} (SZDD)")
endfunction()
