# Helpers shared by every folder's CMakeLists.txt.
find_package(PkgConfig REQUIRED)

# orv_library(<name> SOURCES <files...> [DEPS <targets...>] [PKG <pkg-config modules...>])
# One static library per folder. DEPS are our own libraries below it; PKG are Debian libraries
# found through pkg-config and kept private so their headers stay inside our .cpp files.
function(orv_library name)
  cmake_parse_arguments(A "" "" "SOURCES;DEPS;PKG;PUBLIC_PKG" ${ARGN})
  add_library(${name} STATIC ${A_SOURCES})
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
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST TEST_PREFIX "${name}."
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
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
