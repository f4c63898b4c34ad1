# The program's and the emulator's layers see only what they link. A target's headers are
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

# The same for a target that offers only some headers of a folder it shares
# with others (ecfsim's actions, views and command line): the view holds a
# folder <name> with a link to each header offered, and the folder's other
# headers stay out of reach of the target's users.
function(bancada_expose_headers target name folder)
    set(view ${CMAKE_BINARY_DIR}/include/${target})
    # Made afresh, so that a header no longer offered is gone from the view.
    file(REMOVE_RECURSE ${view}/${name})
    file(MAKE_DIRECTORY ${view}/${name})
    foreach(header IN LISTS ARGN)
        file(CREATE_LINK ${folder}/${header} ${view}/${name}/${header} SYMBOLIC)
    endforeach()
    target_include_directories(${target} PUBLIC ${view})
endfunction()
