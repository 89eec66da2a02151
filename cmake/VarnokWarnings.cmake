# Project code is built with all warnings as errors; Qt's own headers are system headers.
function(varnok_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()
