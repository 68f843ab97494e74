# One static library per source folder. Sources are collected from the folder so that
# adding a file never means editing a shared list; a folder without sources yet is an
# interface library, so that dependants can name it before its first code arrives.
function(pelvaxon_library target dir)
  cmake_parse_arguments(ARG "" "" "LINKS" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS
       ${dir}/*.cpp ${dir}/*.c ${dir}/*.h ${dir}/*.ui)
  list(FILTER sources INCLUDE REGEX "\\.(cpp|c)$")
  if(sources)
    file(GLOB_RECURSE all_files CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.c ${dir}/*.h ${dir}/*.ui)
    add_library(${target} STATIC ${all_files})
    target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${target} PUBLIC ${ARG_LINKS})
  else()
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${target} INTERFACE ${ARG_LINKS})
  endif()
endfunction()
