# Shared compile settings and small helpers for the project's targets.

add_library(qv_options INTERFACE)
target_compile_options(qv_options INTERFACE -Wall -Wextra -Wno-unused-parameter)
if(QV_WERROR)
  target_compile_options(qv_options INTERFACE -Werror)
endif()
target_include_directories(qv_options INTERFACE ${PROJECT_SOURCE_DIR})

if(QV_SANITIZE STREQUAL "address")
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
elseif(QV_SANITIZE STREQUAL "thread")
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()

# Coverage-guided fuzzing (clang only): every library is instrumented for the fuzzer and built with
# ASan+UBSan; the fuzz targets in tests/fuzz add the fuzzer's own main.
option(QV_FUZZ "Build the fuzz targets for libFuzzer (clang)" OFF)
if(QV_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
                      -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

# qv_library(<name> SOURCES ... [DEPS ...]) — one static library per subsystem concept.
function(qv_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_link_libraries(${name} PUBLIC qv_options ${ARG_DEPS})
endfunction()

# qv_test(<name> SOURCES ... [DEPS ...] [LABELS ...] [TIMEOUT s]) — one GoogleTest program, one CTest entry.
function(qv_test name)
  cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;DEPS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE qv_options ${ARG_DEPS} GTest::gtest GTest::gtest_main)
  add_test(NAME ${name} COMMAND ${name})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT})
  if(ARG_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${ARG_LABELS}")
  endif()
endfunction()
