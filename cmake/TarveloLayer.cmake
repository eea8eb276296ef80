# One static library per source folder. Every .cpp in the folder (and in the SUBDIRS
# given) belongs to it, so a new file needs no edit here.
function(tarvelo_layer name)
  cmake_parse_arguments(LAYER "" "" "DEPENDS;SUBDIRS" ${ARGN})
  set(patterns)
  foreach(dir . ${LAYER_SUBDIRS})
    list(APPEND patterns ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.h
         ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.qrc)
  endforeach()
  file(GLOB sources CONFIGURE_DEPENDS ${patterns})
  add_library(tarvelo_${name} STATIC ${sources})
  target_include_directories(tarvelo_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_compile_options(tarvelo_${name} PRIVATE -Wall -Wextra -Wpedantic)
  target_link_libraries(tarvelo_${name} PUBLIC Qt6::Widgets ${LAYER_DEPENDS})
endfunction()
