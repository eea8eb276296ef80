# One static library per source folder. Every .cpp in the folder belongs to it, so a
# new file needs no edit here.
function(tarvelo_layer name)
  cmake_parse_arguments(LAYER "" "" "DEPENDS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h
       ${CMAKE_CURRENT_SOURCE_DIR}/*.qrc)
  if(NOT sources)
    # A layer whose capability is not built yet still takes part in the link.
    add_library(tarvelo_${name} INTERFACE)
    target_link_libraries(tarvelo_${name} INTERFACE Qt6::Widgets ${LAYER_DEPENDS})
    return()
  endif()
  add_library(tarvelo_${name} STATIC ${sources})
  target_include_directories(tarvelo_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_compile_options(tarvelo_${name} PRIVATE -Wall -Wextra -Wpedantic)
  target_link_libraries(tarvelo_${name} PUBLIC Qt6::Widgets ${LAYER_DEPENDS})
endfunction()
