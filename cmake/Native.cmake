# Native build: the portable core and its unit tests, fuzz targets and benchmarks.
set(SANITIZE "address,undefined" CACHE STRING "Sanitizers for the native build (empty for none)")
if(SANITIZE)
  add_compile_options(-fsanitize=${SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${SANITIZE})
endif()
add_compile_options(-Wall -Wextra)

find_package(GTest REQUIRED)
include(GoogleTest)
enable_testing()

file(GLOB NATIVE_TEST_SOURCES CONFIGURE_DEPENDS
     ${CMAKE_SOURCE_DIR}/tests/native/*.cpp ${CMAKE_SOURCE_DIR}/tests/native/fakes/*.cpp)
add_executable(native_tests ${NATIVE_TEST_SOURCES})
target_include_directories(native_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests/native)
target_link_libraries(native_tests PRIVATE core GTest::gtest GTest::gtest_main GTest::gmock Threads::Threads)
find_package(Threads REQUIRED)
gtest_discover_tests(native_tests DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300)

# Fuzz targets: each tests/fuzz/<name>.cpp is its own libFuzzer program (clang only), run for a
# short fixed time as a test.
set(FUZZ_SECONDS 15 CACHE STRING "Seconds each fuzz target runs in the tests")
if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang" AND SANITIZE MATCHES "address")
  file(GLOB FUZZ_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/fuzz/*.cpp)
  foreach(src ${FUZZ_SOURCES})
    get_filename_component(name ${src} NAME_WE)
    add_executable(fuzz_${name} ${src} ${CMAKE_SOURCE_DIR}/tests/native/fakes/FakeSettingsPlatform.cpp)
    target_include_directories(fuzz_${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests/native)
    target_compile_options(fuzz_${name} PRIVATE -fsanitize=fuzzer)
    target_link_options(fuzz_${name} PRIVATE -fsanitize=fuzzer)
    target_link_libraries(fuzz_${name} PRIVATE core)
    add_test(NAME fuzz_${name}
             COMMAND fuzz_${name} -max_total_time=${FUZZ_SECONDS} -seed=1 -timeout=10 -rss_limit_mb=2048)
    set_tests_properties(fuzz_${name} PROPERTIES TIMEOUT 300)
  endforeach()
endif()

# Benchmarks: each tests/bench/<name>.cpp is a Google Benchmark program; built only on request
# (scripts/bench.sh), never run as a test.
option(BUILD_BENCHMARKS "Build the benchmark programs" OFF)
if(BUILD_BENCHMARKS)
  find_package(benchmark REQUIRED)
  file(GLOB BENCH_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/bench/*.cpp)
  foreach(src ${BENCH_SOURCES})
    get_filename_component(name ${src} NAME_WE)
    add_executable(bench_${name} ${src} ${CMAKE_SOURCE_DIR}/tests/native/fakes/FakeSettingsPlatform.cpp)
    target_include_directories(bench_${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests/native)
    target_link_libraries(bench_${name} PRIVATE core benchmark::benchmark benchmark::benchmark_main)
  endforeach()
endif()
