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

# Unity builds: the folders whose code changes seldom (the platform layer, the libraries, the
# service core and the tools, with their tests) compile in batches of CORVANE_UNITY_BATCH sources
# per unit, which parses the shared Qt and standard headers once per batch instead of once per file:
# less than half the compile CPU of a cold build (0.46 at 8 sources a batch; 4 costs more, 16 no
# less and makes longer units). Sources of one batch share a unit, so helpers in anonymous
# namespaces need names of their own. The crash guard stays per-file: its tests read the program's
# inlined frames, and joining files changes what is inlined. The page folders stay per-file too,
# so an edit there rebuilds one file, not its batch.
#
# CI builds every folder from a cold cache, where the edit-one-file argument does not hold: there
# CORVANE_UNITY_ALL (on when the environment variable of that name is 1) batches the page folders,
# the application and their tests as well.
option(CORVANE_UNITY "Compile the platform layer, libraries, service core and tools as unity builds" ON)
option(CORVANE_UNITY_ALL "Compile the page folders and the application as unity builds too (CI)" "$ENV{CORVANE_UNITY_ALL}")
set(CORVANE_UNITY_BATCH 8 CACHE STRING "Sources per unit of a unity build")

function(corvane_unity target)
  file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  if(CORVANE_UNITY_ALL)
    set(unity_folders "^(src|tests|tools|bench)(/|$)")
  else()
    set(unity_folders "^((src|tests)/(Platform|Lib|Class/ServiceCore)|tools|tests/tools)(/|$)")
  endif()
  if(CORVANE_UNITY
     AND folder MATCHES "${unity_folders}"
     AND NOT folder MATCHES "^(src|tests)/Lib/CrashGuard(/|$)")
    set_target_properties(${target} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE ${CORVANE_UNITY_BATCH})
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
      # g++ takes every source of a batch for a header and warns that a test fixture in an
      # anonymous namespace is the base of a class another unit could see; no other unit includes it.
      target_compile_options(${target} PRIVATE -Wno-subobject-linkage)
    endif()
  endif()
endfunction()

# Precompiled headers: the standard library's headers, Qt's that most sources include and
# GoogleTest's in test code are parsed once per build into a header that every source of the same
# flag set reuses, instead of once per source or unity batch. One header is built per set: the
# client, tools and benchmarks, or the tests; each with Qt's headers for the targets that compile
# against Qt and without them for the others (Qt's keywords, `slots` and `signals`, are names there).
# g++ uses a precompiled header only where the macros it saw are defined alike and the
# position-independence matches, so each target that reuses one gets the defines of its holder
# (QT_NO_DEBUG outside Debug builds, GoogleTest's thread macro in test code), -fPIC (Qt already asks
# for it; a program would otherwise get -fPIE) and -pthread (one library's packages ask for it, and
# it defines a macro). QT_NO_VERSION_TAGGING keeps Qt's headers from asking every source for a Qt
# symbol (the packages' dependencies check the version). Only the platform's headers go in, none of
# the project's: the header's text is then the same in every clone, the compiler cache keeps its
# precompiled form, and the sources that use it hit from one clone to the next. Only with g++
# (clang's precompiled headers would need the fuzz build's flags to match, and that build is small).
# The crash guard keeps its own includes, as it keeps out of unity batches.
option(CORVANE_PCH "Compile the most included platform headers once per flag set (g++)" ON)
set(CORVANE_PCH_STD_HEADERS <algorithm> <atomic> <chrono> <cstddef> <cstdint> <cstdio> <cstdlib>
    <cstring> <filesystem> <fstream> <functional> <map> <memory> <mutex> <optional> <set> <sstream>
    <string> <string_view> <thread> <unordered_map> <utility> <vector>)
set(CORVANE_PCH_QT_HEADERS <QObject> <QString> <QPointer> <QByteArray> <QEvent> <QImage> <QColor>
    <QPainter> <QApplication> <QWidget> <QLabel> <QScrollBar> <QScrollArea> <QMouseEvent> <QLineEdit>)

function(corvane_pch_enabled out)
  if(CORVANE_PCH AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND NOT CORVANE_FUZZ)
    set(${out} TRUE PARENT_SCOPE)
  else()
    set(${out} FALSE PARENT_SCOPE)
  endif()
endfunction()

# The defines and options every target of a precompiled header's set shares with its holder.
function(corvane_pch_flags target set)
  target_compile_definitions(${target} PRIVATE $<$<NOT:$<CONFIG:Debug>>:QT_NO_DEBUG> QT_NO_VERSION_TAGGING)
  if(set MATCHES "^tests")
    target_compile_definitions(${target} PRIVATE GTEST_HAS_PTHREAD=1)
    corvane_test_options(${target})
    # With the headers precompiled, g++ 12 reports its known false positives on std::string
    # concatenations (a copy "out of the bounds" of the temporary, or "overflowing" it) in test
    # code at -O1. The sanitizer builds check the tests' bounds as they run.
    target_compile_options(${target} PRIVATE -Wno-array-bounds -Wno-stringop-overflow -Wno-stringop-overread)
  endif()
  corvane_debug_options(${target} "")
  target_compile_options(${target} PRIVATE ${CORVANE_WARNINGS} -fPIC -pthread)
endfunction()

# Makes the holders of the precompiled headers (called once, before the folders are added).
function(corvane_add_pch_holders)
  corvane_pch_enabled(enabled)
  if(NOT enabled)
    return()
  endif()
  find_package(Qt6 REQUIRED COMPONENTS Widgets)
  set(source ${PROJECT_BINARY_DIR}/pch/holder.cpp)
  file(CONFIGURE OUTPUT ${source} CONTENT "// Holds the precompiled header of its flag set.\n")
  foreach(set src src_qt tests tests_qt)
    add_library(corvane_pch_${set} OBJECT ${source})
    # The headers' folders without the libraries' defines (QT_WIDGETS_LIB, ...): a target that
    # lacked one of them could not use the header.
    set(libs)
    set(headers ${CORVANE_PCH_STD_HEADERS})
    if(set MATCHES "_qt$")
      list(APPEND libs Qt6::Core Qt6::Gui Qt6::Widgets Qt6::Platform)
      list(APPEND headers ${CORVANE_PCH_QT_HEADERS})
    endif()
    if(set MATCHES "^tests")
      list(APPEND libs GTest::gtest)
      list(APPEND headers <gtest/gtest.h>)
    endif()
    foreach(lib IN LISTS libs)
      if(TARGET ${lib})
        target_include_directories(corvane_pch_${set} SYSTEM PRIVATE
            $<TARGET_PROPERTY:${lib},INTERFACE_INCLUDE_DIRECTORIES>)
      endif()
    endforeach()
    corvane_pch_flags(corvane_pch_${set} ${set})
    target_precompile_headers(corvane_pch_${set} PRIVATE ${headers})
  endforeach()
endfunction()

# Marks a target for a precompiled header; corvane_apply_pch() picks it once every target exists.
function(corvane_pch target)
  corvane_pch_enabled(enabled)
  file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  if(NOT enabled OR folder MATCHES "^(src|tests)/Lib/CrashGuard(/|$)")
    return()
  endif()
  if(folder MATCHES "^tests(/|$)")
    set_property(TARGET ${target} PROPERTY CORVANE_PCH_SET tests)
  else()
    set_property(TARGET ${target} PROPERTY CORVANE_PCH_SET src)
  endif()
  set_property(GLOBAL APPEND PROPERTY CORVANE_PCH_TARGETS ${target})
endfunction()

# Sets ${out} to TRUE when `target` compiles against Qt: it links a Qt library itself or through
# the public links of the libraries it links (links only for linking, $<LINK_ONLY:...>, give no
# headers).
function(corvane_compiles_against_qt target out)
  set(seen)
  set(pending ${target})
  set(first TRUE)
  while(pending)
    list(POP_FRONT pending current)
    if(current IN_LIST seen)
      continue()
    endif()
    list(APPEND seen ${current})
    if(current MATCHES "^Qt6?::")
      set(${out} TRUE PARENT_SCOPE)
      return()
    endif()
    if(NOT TARGET ${current})
      continue()
    endif()
    get_target_property(aliased ${current} ALIASED_TARGET)
    if(aliased)
      list(APPEND pending ${aliased})
      continue()
    endif()
    get_target_property(imported ${current} IMPORTED)
    set(links)
    if(first)
      get_target_property(links ${current} LINK_LIBRARIES)
      set(first FALSE)
    elseif(NOT imported)
      get_target_property(links ${current} INTERFACE_LINK_LIBRARIES)
    endif()
    foreach(link IN LISTS links)
      if(link AND NOT link MATCHES "^\\$<LINK_ONLY:")
        list(APPEND pending ${link})
      endif()
    endforeach()
  endwhile()
  set(${out} FALSE PARENT_SCOPE)
endfunction()

# Gives every marked target the precompiled header of its set (called once, after every folder).
function(corvane_apply_pch)
  get_property(targets GLOBAL PROPERTY CORVANE_PCH_TARGETS)
  foreach(target IN LISTS targets)
    get_target_property(set ${target} CORVANE_PCH_SET)
    corvane_compiles_against_qt(${target} qt)
    if(qt)
      set(set ${set}_qt)
    endif()
    corvane_pch_flags(${target} ${set})
    target_precompile_headers(${target} REUSE_FROM corvane_pch_${set})
  endforeach()
endfunction()

# Test code is compiled at -O1 in optimised builds: half the compile time of -O2 (test sources
# outnumber the code they test), while the code under test keeps the build's own level.
function(corvane_test_options target)
  target_compile_options(${target} PRIVATE $<$<NOT:$<CONFIG:Debug>>:-O1>)
endfunction()

# With CORVANE_LINE_TABLES (on when the environment variable of that name is 1; CI sets it) every
# target keeps only line tables and function names in its debug information (-g1): a fifth less
# compile time, while failures, sanitizer reports and a debugger still name the function, file and
# line. The crash guard's tests read the inlined scopes of their own frames and keep full debug
# information, as does the crash guard itself.
option(CORVANE_LINE_TABLES "Compile with line tables only (-g1) in builds with debug information (CI)"
       "$ENV{CORVANE_LINE_TABLES}")
function(corvane_debug_options target folder)
  if(CORVANE_LINE_TABLES AND NOT folder MATCHES "^(tests|src)/Lib/CrashGuard(/|$)")
    target_compile_options(${target} PRIVATE $<$<CONFIG:Debug,RelWithDebInfo>:-g1>)
  endif()
endfunction()

function(corvane_target_defaults target)
  target_compile_options(${target} PRIVATE ${CORVANE_WARNINGS})
  corvane_unity(${target})
  file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  if(folder MATCHES "^tests/Lib/CrashGuard(/|$)")
    target_compile_options(${target} PRIVATE $<$<NOT:$<CONFIG:Debug>>:-O1>)
  elseif(folder MATCHES "^tests(/|$)")
    corvane_test_options(${target})
  endif()
  corvane_debug_options(${target} "${folder}")
  corvane_pch(${target})
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

# corvane_add_test(Name [QT | WEBENGINE] SOURCES ... LIBS ... [LABELS core;...] [ENV VAR=value ...] [TIMEOUT s])
# One GoogleTest binary, registered as one ctest test. Tests run in a temporary HOME; with QT the
# binary's main() runs the tests inside an offscreen QApplication.
# Labels: "core" marks the suites that CI runs again under the sanitizers, "threads" those it
# runs under ThreadSanitizer.
# WEBENGINE: the test runs QtWebEngine (tests/Support/WebEngine/WebEngineTestSupport.h says what its
# main() does and what the binary defines). It exists only with CORVANE_WITH_WEBENGINE, carries the
# label "webengine" (and no sanitizer label: Chromium is not instrumented) and runs alone.
function(corvane_add_test name)
  cmake_parse_arguments(ARG "QT;WEBENGINE" "TIMEOUT" "SOURCES;LIBS;LABELS;ENV" ${ARGN})
  if(ARG_WEBENGINE AND NOT CORVANE_WITH_WEBENGINE)
    return()
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  if(ARG_WEBENGINE)
    set(test_main CorvaneWebEngineTestMain)
    if(ARG_LABELS)
      list(REMOVE_ITEM ARG_LABELS core threads)
    endif()
    list(APPEND ARG_LABELS webengine)
  elseif(ARG_QT)
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
  if(ARG_WEBENGINE)
    # One Chromium at a time on a shared machine. They run one after another, the longest chain of
    # the run: a high cost starts them first (a fresh clone has no timings of earlier runs).
    set_tests_properties(${name} PROPERTIES RESOURCE_LOCK webengine COST 1000)
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

# corvane_add_fuzzer(name SOURCES ... LIBS ... [SEEDS sources... [SEEDS_ARGS ...]] [DICTIONARY file]):
# a libFuzzer target in build/fuzz, only with CORVANE_FUZZ on clang. SEEDS make a program, linked with
# LIBS, that writes valid inputs into the folder named by its first argument; building the fuzzer
# runs it into fuzz/<name>.seeds/. DICTIONARY (the format's magic words) is copied to
# fuzz/<name>.dict. scripts/test-sanitizers starts each run from both.
function(corvane_add_fuzzer name)
  cmake_parse_arguments(ARG "" "DICTIONARY" "SOURCES;LIBS;SEEDS;SEEDS_ARGS" ${ARGN})
  if(NOT CORVANE_FUZZ)
    return()
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PRIVATE ${ARG_LIBS})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
  corvane_unity(${name})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/fuzz)
  if(ARG_SEEDS)
    # Not named fuzz_...: the sanitizer script runs every target of that name as a fuzzer.
    add_executable(seeds_${name} ${ARG_SEEDS})
    target_include_directories(seeds_${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
    target_link_libraries(seeds_${name} PRIVATE ${ARG_LIBS})
    corvane_target_defaults(seeds_${name})
    set(seeds ${PROJECT_BINARY_DIR}/fuzz/${name}.seeds)
    add_custom_command(OUTPUT ${seeds}.stamp
      COMMAND ${CMAKE_COMMAND} -E rm -rf ${seeds}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${seeds}
      COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0 $<TARGET_FILE:seeds_${name}> ${seeds}
              ${ARG_SEEDS_ARGS}
      COMMAND ${CMAKE_COMMAND} -E touch ${seeds}.stamp
      DEPENDS seeds_${name}
      COMMENT "Writing the seed corpus of ${name}"
      VERBATIM)
    add_custom_target(corpus_${name} DEPENDS ${seeds}.stamp)
    add_dependencies(${name} corpus_${name})
  endif()
  if(ARG_DICTIONARY)
    configure_file(${ARG_DICTIONARY} ${PROJECT_BINARY_DIR}/fuzz/${name}.dict COPYONLY)
  endif()
endfunction()
