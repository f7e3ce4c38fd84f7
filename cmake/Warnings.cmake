# Warnings for the project's own targets (not for third-party code).
function(qw_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wno-unused-parameter)
endfunction()
