# CVCFG_SANITIZE turns on AddressSanitizer and UndefinedBehaviorSanitizer for the
# whole build; any report aborts the process so that a test run cannot pass over it.
option(CVCFG_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)

if(CVCFG_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all
                        -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined -fno-sanitize-recover=all)
endif()
