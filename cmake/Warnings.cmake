# Our own code builds warning-free with g++ and clang.
function(revuziva_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()
