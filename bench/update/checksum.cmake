# The checksum benchmark, built optimised and without sanitizers even in the
# native (sanitizer) preset, so that its figures mean something.
# Run build/native/bench/update/checksum_bench.
if(NOT WIN32)
  add_executable(checksum_bench ${CMAKE_CURRENT_LIST_DIR}/checksum_bench.cpp
                 ${PROJECT_SOURCE_DIR}/src/update/install/checksums.cpp)
  target_include_directories(checksum_bench PRIVATE ${PROJECT_SOURCE_DIR}/src)
  target_compile_options(checksum_bench PRIVATE -O2 -fno-sanitize=all)
  target_link_options(checksum_bench PRIVATE -fno-sanitize=all)
endif()
