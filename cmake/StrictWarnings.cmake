# Warnings for our own code: every target added after this file is included gets them. Qt's and
# the system's headers come in as system includes, so their warnings are not ours to fix.
# Turn QUILLMERE_WERROR off to see every warning of a build at once instead of stopping at the
# first; CI keeps it on.
option(QUILLMERE_WERROR "Treat compiler warnings as errors" ON)

add_compile_options(
    "$<$<COMPILE_LANGUAGE:CXX>:-Wall;-Wextra;-Wpedantic;-Wshadow;-Wnon-virtual-dtor;-Woverloaded-virtual>")
if(QUILLMERE_WERROR)
    add_compile_options("$<$<COMPILE_LANGUAGE:CXX>:-Werror>")
endif()
