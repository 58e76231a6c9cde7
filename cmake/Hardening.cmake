# The hardening Debian builds its packages with (dpkg-buildflags, plus the
# immediate binding and position-independent executables of its "hardening
# =+all"), in the optimised builds that packages are made of. Fortified
# functions need the optimiser; the sanitizer and fuzz builds bring their
# own instrumentation. On Windows the linker's defaults (ASLR, DEP) stand:
# MinGW's GCC fails on stack-clash protection, and ELF's relro has no
# meaning there.
if(CMAKE_BUILD_TYPE MATCHES "^(Release|RelWithDebInfo)$" AND NOT CVCFG_SANITIZE AND NOT CVCFG_FUZZ
   AND NOT WIN32)
    include(CheckPIESupported)
    check_pie_supported()
    set(CMAKE_POSITION_INDEPENDENT_CODE ON)
    add_compile_definitions(_FORTIFY_SOURCE=2)
    add_compile_options(-fstack-protector-strong -fstack-clash-protection -Wformat
                        -Werror=format-security)
    add_link_options(-Wl,-z,relro -Wl,-z,now)
endif()
