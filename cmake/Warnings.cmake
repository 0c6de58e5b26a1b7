# Our own code builds warning-free with g++ and clang; REVUZIVA_WERROR holds
# it to that.
function(revuziva_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  if(REVUZIVA_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
