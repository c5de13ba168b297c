# Copies SRC into DST, file by file, skipping files that already exist in DST so that a
# rebuild keeps the user's options, bookmarks and books.
file(GLOB_RECURSE files RELATIVE "${SRC}" "${SRC}/*")
foreach(f IN LISTS files)
    if(NOT EXISTS "${DST}/${f}")
        get_filename_component(dir "${DST}/${f}" DIRECTORY)
        file(MAKE_DIRECTORY "${dir}")
        file(COPY_FILE "${SRC}/${f}" "${DST}/${f}")
    endif()
endforeach()
