# Every file in resources/ is carried inside the library under its name
# without extension, in capitals ("errordialog.dfm" -> "ERRORDIALOG"), and
# found at run time through FindResource (platform/classes/Resources.h).
function(revuziva_add_resources target dir)
  file(GLOB files CONFIGURE_DEPENDS ${dir}/*)
  list(FILTER files EXCLUDE REGEX "README")
  set(out ${CMAKE_CURRENT_BINARY_DIR}/generated/resource_table.cpp)
  add_custom_command(
    OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -DOUT=${out} "-DFILES=${files}"
            -P ${PROJECT_SOURCE_DIR}/cmake/EmbedResources.cmake
    DEPENDS ${files} ${PROJECT_SOURCE_DIR}/cmake/EmbedResources.cmake
    COMMENT "Embedding resources"
    VERBATIM)  # FILES is a list: its ';' must reach the script, not the shell
  target_sources(${target} PRIVATE ${out})
endfunction()
