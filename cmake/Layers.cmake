# The program's layers see only what they link. A target's headers are
# reached as "<name>/header.h" through a folder of the build tree that holds
# one link, <name>, to the target's own source folder; a target's include
# path therefore holds its own folder and those of the targets it links, and
# an include of anything else fails the build.
function(bancada_expose target name folder)
    set(view ${CMAKE_BINARY_DIR}/include/${target})
    file(MAKE_DIRECTORY ${view})
    file(CREATE_LINK ${folder} ${view}/${name} SYMBOLIC)
    get_target_property(kind ${target} TYPE)
    if(kind STREQUAL "INTERFACE_LIBRARY")
        target_include_directories(${target} INTERFACE ${view})
    else()
        target_include_directories(${target} PUBLIC ${view})
    endif()
endfunction()

# A target that lives in a folder with others but may see only some of its
# headers: its view holds a folder <name> with one link per header it names,
# so "<name>/header.h" of any other header of that folder fails to compile.
function(bancada_expose_headers target name folder)
    set(view ${CMAKE_BINARY_DIR}/include/${target})
    file(MAKE_DIRECTORY ${view}/${name})
    foreach(header IN LISTS ARGN)
        file(CREATE_LINK ${folder}/${header} ${view}/${name}/${header} SYMBOLIC)
    endforeach()
    target_include_directories(${target} PUBLIC ${view})
endfunction()
