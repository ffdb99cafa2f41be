# Shared build helpers of every module.
find_package(PkgConfig REQUIRED)

set(TORMAKELIN_WARNINGS -Wall -Wextra)
# Calls into shared libraries are bound when the program starts, not on their first call: a
# first call in the middle of playback would stall that frame.
add_link_options(-Wl,-z,now)
if(TORMAKELIN_SANITIZE)
  # glslang is built without RTTI, so the vptr check cannot see its types.
  add_compile_options(-fsanitize=address,undefined -fno-sanitize=vptr -fno-omit-frame-pointer
    -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined -fno-sanitize=vptr)
  # A release below zero stops the program here too, not only in debug builds.
  add_compile_definitions(TORMAKELIN_CHECKED_REFCOUNTS=1)
endif()
if(TORMAKELIN_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "TORMAKELIN_FUZZ needs clang")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

# Environment of every test: no display, no sound card, no GPU needed.
set(TORMAKELIN_TEST_ENV
  "SDL_VIDEODRIVER=offscreen"
  "SDL_AUDIODRIVER=dummy"
  "LC_ALL=C"
  "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")
# Leaks are found in the sanitizer build. The GL driver is unloaded before the leak check runs,
# so its own allocations could neither be traced nor told apart from ours: it is preloaded, and
# what it keeps is suppressed by name (cmake/lsan.supp).
if(TORMAKELIN_SANITIZE)
  # SDL's offscreen windows reach the driver through EGL.
  find_file(TORMAKELIN_GL_DRIVER swrast_dri.so
    PATHS /usr/lib/${CMAKE_LIBRARY_ARCHITECTURE}/dri /usr/lib64/dri /usr/lib/dri NO_DEFAULT_PATH)
  find_library(TORMAKELIN_EGL_VENDOR NAMES libEGL_mesa.so.0 EGL_mesa)
  set(TORMAKELIN_LEAK_ENV
    "ASAN_OPTIONS=detect_leaks=1:abort_on_error=0"
    "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/cmake/lsan.supp:print_suppressions=0")
  if(TORMAKELIN_GL_DRIVER AND TORMAKELIN_EGL_VENDOR)
    list(APPEND TORMAKELIN_LEAK_ENV "LD_PRELOAD=${TORMAKELIN_EGL_VENDOR}:${TORMAKELIN_GL_DRIVER}")
  endif()
  list(APPEND TORMAKELIN_TEST_ENV ${TORMAKELIN_LEAK_ENV})
  # The fuzz runner takes the same settings, one per line.
  list(JOIN TORMAKELIN_LEAK_ENV "\n" _leakEnv)
  file(WRITE ${CMAKE_BINARY_DIR}/sanitizer.env "${_leakEnv}\n")
else()
  list(APPEND TORMAKELIN_TEST_ENV "ASAN_OPTIONS=detect_leaks=0:abort_on_error=0")
endif()

# tormakelin_library(<target> EXPORT <MACRO_PREFIX> SOURCES ... LIBS ...)
# A deliverable shared library; <MACRO_PREFIX>_BUILD is defined while building it.
function(tormakelin_library target)
  cmake_parse_arguments(A "" "EXPORT" "SOURCES;LIBS;PUBLIC_LIBS;INCLUDES" ${ARGN})
  if(NOT A_SOURCES)
    set(A_SOURCES ${PROJECT_SOURCE_DIR}/cmake/empty.cpp)
  endif()
  add_library(${target} SHARED ${A_SOURCES})
  target_compile_options(${target} PRIVATE ${TORMAKELIN_WARNINGS})
  target_compile_definitions(${target} PRIVATE ${A_EXPORT}_BUILD=1)
  target_include_directories(${target} PUBLIC ${A_INCLUDES})
  target_link_libraries(${target} PRIVATE ${A_LIBS} PUBLIC ${A_PUBLIC_LIBS})
endfunction()

# tormakelin_tests(<target> SOURCES ... LIBS ...)
# One GoogleTest executable per module; each test case becomes a CTest test.
function(tormakelin_tests target)
  if(NOT TORMAKELIN_TESTS)
    return()
  endif()
  # RESOURCE_LOCK: the executable's tests run one at a time, apart from others taking the lock.
  cmake_parse_arguments(A "" "RESOURCE_LOCK" "SOURCES;LIBS" ${ARGN})
  set(_lock)
  if(A_RESOURCE_LOCK)
    set(_lock RESOURCE_LOCK ${A_RESOURCE_LOCK})
  endif()
  add_executable(${target} ${A_SOURCES})
  target_compile_options(${target} PRIVATE ${TORMAKELIN_WARNINGS})
  target_link_libraries(${target} PRIVATE ${A_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
  # Helpers shared by the tests of every module.
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/testing)
  # The environment reaches every test (and the discovery run) through a launcher, since a list
  # of variables does not survive gtest_discover_tests' properties.
  set_property(TARGET ${target} PROPERTY CROSSCOMPILING_EMULATOR ${CMAKE_COMMAND} -E env ${TORMAKELIN_TEST_ENV})
  gtest_discover_tests(${target}
    WORKING_DIRECTORY ${TORMAKELIN_BIN}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT 120 ${_lock})
endfunction()

# tormakelin_fuzzer(<target> SOURCES ... LIBS ... CORPUS <dir>)
function(tormakelin_fuzzer target)
  if(NOT TORMAKELIN_FUZZ)
    return()
  endif()
  cmake_parse_arguments(A "" "CORPUS" "SOURCES;LIBS" ${ARGN})
  add_executable(${target} ${A_SOURCES})
  target_compile_options(${target} PRIVATE ${TORMAKELIN_WARNINGS})
  target_link_options(${target} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${target} PRIVATE ${A_LIBS})
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/testing)
  set_property(GLOBAL APPEND PROPERTY TORMAKELIN_FUZZERS "${target}|${A_CORPUS}")
endfunction()

# tormakelin_benchmark(<target> SOURCES ... LIBS ... INCLUDES ...)
function(tormakelin_benchmark target)
  if(NOT TORMAKELIN_BENCH)
    return()
  endif()
  cmake_parse_arguments(A "" "" "SOURCES;LIBS;INCLUDES" ${ARGN})
  add_executable(${target} ${A_SOURCES})
  target_compile_options(${target} PRIVATE ${TORMAKELIN_WARNINGS})
  target_include_directories(${target} PRIVATE ${A_INCLUDES} ${PROJECT_SOURCE_DIR}/testing)
  target_link_libraries(${target} PRIVATE ${A_LIBS} benchmark::benchmark benchmark::benchmark_main)
endfunction()

# tormakelin_object(<target> SOURCES ...): a platform layer, linked into one deliverable.
function(tormakelin_object target)
  cmake_parse_arguments(A "" "" "SOURCES" ${ARGN})
  if(NOT A_SOURCES)
    set(A_SOURCES ${PROJECT_SOURCE_DIR}/cmake/empty.cpp)
  endif()
  add_library(${target} OBJECT ${A_SOURCES})
  target_include_directories(${target} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/include)
  target_compile_options(${target} PRIVATE ${TORMAKELIN_WARNINGS})
endfunction()
