# Helpers shared by every component. A folder is a component: its CMakeLists.txt calls
# corvane_add_library / corvane_add_test / corvane_add_bench / corvane_add_fuzzer.

set(CORVANE_WARNINGS -Wall -Wextra -Wpedantic -Wshadow=local -Wnon-virtual-dtor
    -Wold-style-cast -Wcast-align -Woverloaded-virtual -Wnull-dereference -Wimplicit-fallthrough)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  # g++ 12 reports false positives on std::variant/std::optional moves and std::string inserts at -O2.
  list(APPEND CORVANE_WARNINGS -Wno-maybe-uninitialized -Wno-dangling-reference -Wno-restrict)
  list(REMOVE_ITEM CORVANE_WARNINGS -Wnull-dereference)
endif()
if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  list(REMOVE_ITEM CORVANE_WARNINGS -Wshadow=local)
  list(APPEND CORVANE_WARNINGS -Wshadow-uncaptured-local)
endif()
if(CORVANE_WERROR)
  list(APPEND CORVANE_WARNINGS -Werror)
endif()

if(CORVANE_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
if(CORVANE_FUZZ)
  # Coverage for the fuzzers reaches into every library they link.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
if(CORVANE_TSAN)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()

# Adds every immediate subfolder of DIR that has a CMakeLists.txt, and descends into
# subfolders without one (src/Platform/Foundation, src/Lib/SQLKit, tests/Platform/...).
function(corvane_add_subdirectories dir)
  file(GLOB children LIST_DIRECTORIES true RELATIVE ${CMAKE_CURRENT_SOURCE_DIR}/${dir}
       ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*)
  list(SORT children)
  foreach(child IN LISTS children)
    set(path ${dir}/${child})
    if(IS_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/${path})
      if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${path}/CMakeLists.txt)
        if(path MATCHES "^bench/")
          # build/bench/<name> is the benchmark executable itself, so its build files go elsewhere.
          add_subdirectory(${path} ${PROJECT_BINARY_DIR}/bench-build/${child})
        else()
          add_subdirectory(${path})
        endif()
      else()
        corvane_add_subdirectories(${path})
      endif()
    endif()
  endforeach()
endfunction()

function(corvane_target_defaults target)
  target_compile_options(${target} PRIVATE ${CORVANE_WARNINGS})
endfunction()

# corvane_add_library(Name SOURCES ... [PUBLIC_LIBS ...] [PRIVATE_LIBS ...])
# The include root is src/, so headers are included as "Platform/Foundation/String.h".
function(corvane_add_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;PUBLIC_LIBS;PRIVATE_LIBS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${ARG_PUBLIC_LIBS} PRIVATE ${ARG_PRIVATE_LIBS})
  corvane_target_defaults(${name})
endfunction()

# corvane_add_test(Name [QT] SOURCES ... LIBS ... [LABELS core;...] [ENV VAR=value ...] [TIMEOUT s])
# One GoogleTest binary, registered as one ctest test. Tests run in a temporary HOME; with QT the
# binary's main() runs the tests inside an offscreen QApplication.
# Labels: "core" marks the suites that CI runs again under the sanitizers, "threads" those it
# runs under ThreadSanitizer.
function(corvane_add_test name)
  cmake_parse_arguments(ARG "QT" "TIMEOUT" "SOURCES;LIBS;LABELS;ENV" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  if(ARG_QT)
    set(test_main CorvaneQtTestMain)
  else()
    set(test_main CorvaneTestMain)
  endif()
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} ${test_main} GTest::gtest Threads::Threads)
  corvane_target_defaults(${name})
  add_test(NAME ${name} COMMAND ${name})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT}
      ENVIRONMENT "QT_QPA_PLATFORM=offscreen;CORVANE_SOURCE_DIR=${PROJECT_SOURCE_DIR};CORVANE_BINARY_DIR=${PROJECT_BINARY_DIR};${ARG_ENV}")
  if(ARG_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${ARG_LABELS}")
  endif()
endfunction()

# corvane_add_bench(name SOURCES ... LIBS ...): build/bench/<name>
function(corvane_add_bench name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/bench)
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} benchmark::benchmark Threads::Threads)
  corvane_target_defaults(${name})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/bench)
endfunction()

# corvane_add_fuzzer(name SOURCES ... LIBS ...): a libFuzzer target, only with CORVANE_FUZZ on clang.
function(corvane_add_fuzzer name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  if(NOT CORVANE_FUZZ)
    return()
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PRIVATE ${ARG_LIBS})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/fuzz)
endfunction()
