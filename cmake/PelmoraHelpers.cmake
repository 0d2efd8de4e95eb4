include(GoogleTest)

# A static library of the program; while an area has no sources yet it is an interface target,
# so the tree configures at every stage.
function(pelmora_add_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LINK" ${ARGN})
  if(ARG_SOURCES)
    add_library(${name} STATIC ${ARG_SOURCES})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC ${ARG_LINK})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} INTERFACE ${ARG_LINK})
  endif()
endfunction()

# Every tests/<area>/*_test.cpp becomes one GoogleTest executable, linked with the given libraries.
# Qt-based tests run on the offscreen platform so they need no display.
function(pelmora_add_gtests area)
  cmake_parse_arguments(ARG "" "" "LINK" ${ARGN})
  file(GLOB test_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
  foreach(src ${test_sources})
    get_filename_component(stem ${src} NAME_WE)
    set(target ${area}_${stem})
    add_executable(${target} ${src})
    target_link_libraries(${target} PRIVATE ${ARG_LINK} GTest::gtest GTest::gmock GTest::gtest_main)
    target_compile_definitions(${target} PRIVATE PELMORA_TEST_DATA_DIR="${CMAKE_CURRENT_SOURCE_DIR}/data")
    gtest_discover_tests(${target}
      DISCOVERY_MODE PRE_TEST
      PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen)
  endforeach()
endfunction()
