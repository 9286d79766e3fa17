# Helpers shared by every folder's CMakeLists.txt.
find_package(PkgConfig REQUIRED)

# orv_library(<name> SOURCES <files...> [DEPS <targets...>] [PKG <pkg-config modules...>])
# One static library per folder. DEPS are our own libraries below it; PKG are Debian libraries
# found through pkg-config and kept private so their headers stay inside our .cpp files.
# The standard headers nearly every file of ours includes; parsing them is most of the cost of a
# small file, so a target of many translation units compiles them once into a precompiled header.
set(ORV_STD_PCH <algorithm> <cstdint> <cstring> <functional> <map> <memory> <mutex> <string>
  <string_view> <unordered_map> <vector> CACHE INTERNAL "")

# orv_std_pch(<target> [ALWAYS] [<more headers...>])
# Gives a target the precompiled standard headers (and any more named). In unity builds a folder
# is one to three translation units whose parse of these headers is a small part of their
# compile, while making the precompiled header costs five to eight seconds, so unity-built
# targets go without; ALWAYS is for targets compiled file by file even then.
function(orv_std_pch name)
  set(headers ${ARGN})
  list(FIND headers ALWAYS always)
  list(REMOVE_ITEM headers ALWAYS)
  if(NOT CMAKE_UNITY_BUILD OR always GREATER -1)
    target_precompile_headers(${name} PRIVATE ${ORV_STD_PCH} ${headers})
  endif()
endfunction()

function(orv_library name)
  cmake_parse_arguments(A "" "" "SOURCES;DEPS;PKG;PUBLIC_PKG" ${ARGN})
  add_library(${name} STATIC ${A_SOURCES})
  orv_std_pch(${name})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${A_DEPS})
  foreach(mod IN LISTS A_PKG)
    string(MAKE_C_IDENTIFIER "PC_${mod}" var)
    pkg_check_modules(${var} REQUIRED IMPORTED_TARGET ${mod})
    target_link_libraries(${name} PRIVATE PkgConfig::${var})
  endforeach()
  foreach(mod IN LISTS A_PUBLIC_PKG)
    string(MAKE_C_IDENTIFIER "PC_${mod}" var)
    pkg_check_modules(${var} REQUIRED IMPORTED_TARGET ${mod})
    target_link_libraries(${name} PUBLIC PkgConfig::${var})
  endforeach()
endfunction()

# orv_test(<name> SOURCES <files...> DEPS <targets...>)
# A GoogleTest executable whose cases CTest lists one by one when the tests run.
function(orv_test name)
  cmake_parse_arguments(A "" "" "SOURCES;DEPS" ${ARGN})
  find_package(GTest REQUIRED)
  add_executable(${name} ${A_SOURCES})
  target_link_libraries(${name} PRIVATE ${A_DEPS} GTest::gtest GTest::gtest_main GTest::gmock)
  include(GoogleTest)
  if(NOT TARGET orv_testenv)
    add_library(orv_testenv OBJECT ${CMAKE_SOURCE_DIR}/tests/support/testenv.cpp)
    target_compile_definitions(orv_testenv PRIVATE
      ORVANTA_SOURCE_DIR_VALUE="${CMAKE_SOURCE_DIR}" ORVANTA_BINARY_DIR_VALUE="${CMAKE_BINARY_DIR}")
  endif()
  target_link_libraries(${name} PRIVATE orv_testenv)
  # Test code is compiled without optimisation: it is not hot, and GoogleTest's macros make -O1
  # builds of test files several times slower to compile.
  target_compile_options(${name} PRIVATE -O0)
  # Under the address sanitizer each memory access of test code checks its shadow through a
  # call instead of inline code: the same check, an eighth less to compile, and test code is not
  # where the time of a run goes.
  if(ORVANTA_SANITIZE AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(${name} PRIVATE --param=asan-instrumentation-with-call-threshold=0)
  endif()
  # Every case starts the program anew; a position-dependent executable starts without the
  # dynamic loader applying a million relocations to a large sanitized program first.
  target_link_options(${name} PRIVATE -no-pie)
  # GoogleTest's headers and the standard library are the bulk of every test file's parse.
  orv_std_pch(${name} <gtest/gtest.h> <gmock/gmock.h>)
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST TEST_PREFIX "${name}."
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
endfunction()

# orv_test_folder(<name> DEPS <targets...> [EXCLUDE <regex>])
# The test program of one test folder: every test_*.cpp of the folder linked into one GoogleTest
# executable, so the large static libraries are linked once per folder, not once per file. Cases
# still run one by one under CTest as "<name>.<Suite>.<Case>". Helpers in test files therefore
# live in anonymous namespaces, and suite names are unique within the folder.
function(orv_test_folder name)
  cmake_parse_arguments(A "" "EXCLUDE;INCLUDE" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/test_*.cpp)
  if(A_INCLUDE)
    list(FILTER sources INCLUDE REGEX "${A_INCLUDE}")
  endif()
  if(A_EXCLUDE)
    list(FILTER sources EXCLUDE REGEX "${A_EXCLUDE}")
  endif()
  if(sources)
    orv_test(${name} SOURCES ${sources} DEPS ${A_DEPS})
  endif()
endfunction()

# orv_bench(<name> SOURCES <files...> DEPS <targets...>)
function(orv_bench name)
  cmake_parse_arguments(A "" "" "SOURCES;DEPS" ${ARGN})
  find_package(benchmark REQUIRED)
  add_executable(${name} ${A_SOURCES})
  target_link_libraries(${name} PRIVATE ${A_DEPS} benchmark::benchmark benchmark::benchmark_main)
endfunction()

# Adds every subfolder of the current folder that has a CMakeLists.txt, recursively by the
# subfolder's own choice; used by tests/ and bench/ so each area owns its own list.
function(orv_add_subdirs)
  file(GLOB children RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/*)
  list(SORT children)
  foreach(child IN LISTS children)
    if(IS_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/${child} AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${child}/CMakeLists.txt)
      add_subdirectory(${child})
    endif()
  endforeach()
endfunction()
