# The window program's own resources for a target that shows its windows:
# the dialog templates here, and the skin's artwork when the artwork build is
# part of the tree. Resources of a static library would be dropped by the
# linker, so each program (the product, the gallery, the window tests) adds
# them itself.
#
#   tdu_ui_resources(<target>)
#
# .rc files are UTF-8 (windres -c 65001).
# Cached, so the function works from any folder of the build (the tests).
set(TDU_UI_RESOURCE_DIR ${CMAKE_CURRENT_LIST_DIR} CACHE INTERNAL "the window program's resource folder")
function(tdu_ui_resources target)
    set(rc ${TDU_UI_RESOURCE_DIR}/message_box.rc ${TDU_UI_RESOURCE_DIR}/main_menu.rc ${TDU_UI_RESOURCE_DIR}/about.rc)
    set_property(SOURCE ${rc} APPEND PROPERTY COMPILE_OPTIONS -c 65001)
    target_sources(${target} PRIVATE ${rc})
    if(COMMAND tdu_ui_artwork)
        tdu_ui_artwork(${target})
    endif()
endfunction()
