# CVCFG_SANITIZE turns on AddressSanitizer and UndefinedBehaviorSanitizer for the
# whole build; any report aborts the process so that a test run cannot pass over it.
option(CVCFG_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)

if(CVCFG_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all
                        -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined -fno-sanitize-recover=all)
endif()

# CVCFG_FUZZ (clang, with CVCFG_SANITIZE) gives every library libFuzzer's
# coverage instrumentation; the targets under fuzz/ then link libFuzzer itself.
option(CVCFG_FUZZ "Build the fuzz targets with libFuzzer (clang only)" OFF)

if(CVCFG_FUZZ)
    add_compile_options(-fsanitize=fuzzer-no-link)
endif()
