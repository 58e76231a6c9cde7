# Every target of the project builds with the same warnings. They stop the
# build only when asked: the development presets and CI ask, while a
# packager's compiler may warn where ours does not.
option(CVCFG_WARNINGS_AS_ERRORS "Treat compiler warnings as errors" OFF)

function(cvcfg_set_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra)
    if(CVCFG_WARNINGS_AS_ERRORS)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()
