# The skin bitmaps and icons, made by the build from the drawings in
# artwork/ and the texts of language.ini (the home view's per-language
# pictures carry their language's words).
#
#   tdu_ui_artwork(<target>)   compiles the generated artwork.rc (every
#                              bitmap and icon by its resource number) into
#                              <target>; call it for every program or test
#                              that loads the skin
#
# The generator runs once per build tree into ${CMAKE_BINARY_DIR}/artwork,
# which also gets artwork_sheet.png, every picture on one page.

# The distribution's interpreter: the one its python3-pil belongs to (a
# python3 found first on PATH may be another one without Pillow).
find_program(TDU_PYTHON3 python3 PATHS /usr/bin NO_DEFAULT_PATH)
find_program(TDU_PYTHON3 python3)

function(tdu_ui_artwork target)
    # the function may be called from any folder of the build
    set(drawings_dir ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/artwork)
    set(language_ini ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/language.ini)
    set(out ${CMAKE_BINARY_DIR}/artwork)
    if(NOT TARGET tdu_artwork)
        file(GLOB drawings CONFIGURE_DEPENDS ${drawings_dir}/*.py)
        add_custom_command(
            OUTPUT ${out}/artwork.rc ${out}/artwork_sheet.png
            COMMAND ${TDU_PYTHON3} ${drawings_dir}/generate.py
                    ${language_ini} ${out}
            DEPENDS ${drawings} ${language_ini}
            COMMENT "Drawing the skin bitmaps and icons"
            VERBATIM)
        add_custom_target(tdu_artwork DEPENDS ${out}/artwork.rc)
    endif()
    target_sources(${target} PRIVATE ${out}/artwork.rc)
    # UTF-8 text in resource scripts survives only with this code page
    set_source_files_properties(${out}/artwork.rc PROPERTIES
        GENERATED TRUE COMPILE_OPTIONS "--codepage=65001")
    add_dependencies(${target} tdu_artwork)
endfunction()
