# rulv_warnings(target): our warning set, as errors when RULV_WERROR is on (the presets, CI).
function(rulv_warnings target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wshadow -Wimplicit-fallthrough)
  if(RULV_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
