# Map files for programs: the exception log finds a crash's unit, procedure
# and line in "<program>.map" beside the executable, which tools/mapgen writes
# from the program's symbols and DWARF line tables.

# Links a target as an executable at a fixed address (non-PIE), the only kind
# whose code addresses a map can hold, with debug information.
function(revuziva_link_fixed target)
  set_target_properties(${target} PROPERTIES POSITION_INDEPENDENT_CODE OFF)
  target_compile_options(${target} PRIVATE -fno-pie -g)
  target_link_options(${target} PRIVATE -no-pie)
endfunction()

# revuziva_catch_faults(target): builds the target so that a hardware fault
# (a null pointer read, a division by zero, a stack overflow) can be thrown
# as an exception from the faulting instruction: every instruction that may
# trap gets unwind information and a place in its function's handler table.
function(revuziva_catch_faults target)
  target_compile_options(${target} PRIVATE -fnon-call-exceptions -fasynchronous-unwind-tables)
endfunction()

# revuziva_add_map(target): links the program non-PIE, builds it to catch
# faults, and writes its map file (the executable's path, extension ".map")
# after every link.
# In a program built against an installed REVuziva (find_package) the map
# is written by the installed mapgen, revuziva::mapgen.
function(revuziva_add_map target)
  revuziva_link_fixed(${target})
  revuziva_catch_faults(${target})
  if(TARGET revuziva::mapgen)
    set(mapgen revuziva::mapgen)
  else()
    set(mapgen mapgen)
    add_dependencies(${target} mapgen)
  endif()
  # Relinked when mapgen changes, so the map is always mapgen's current one.
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS $<TARGET_FILE:${mapgen}>)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND $<TARGET_FILE:${mapgen}> $<TARGET_FILE:${target}>
    COMMENT "Writing the map file of ${target}"
    VERBATIM)
endfunction()
