# The window program's own resources for a target that shows its windows:
# the dialog templates here, and the skin's artwork when the artwork build is
# part of the tree. Resources of a static library would be dropped by the
# linker, so each program (the product, the gallery, the window tests) adds
# them itself.
#
#   tdu_ui_resources(<target>)
#
# .rc files are UTF-8 (windres -c 65001).
function(tdu_ui_resources target)
    set(folder ${CMAKE_SOURCE_DIR}/src/ui/resources)
    set(rc ${folder}/message_box.rc ${folder}/main_menu.rc ${folder}/about.rc ${folder}/config.rc
           ${folder}/row_menu.rc ${folder}/devinfo.rc
           ${folder}/ignored.rc)
    set_property(SOURCE ${rc} APPEND PROPERTY COMPILE_OPTIONS -c 65001)
    target_sources(${target} PRIVATE ${rc})
    if(COMMAND tdu_ui_artwork)
        tdu_ui_artwork(${target})
    endif()
endfunction()
