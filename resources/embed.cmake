# Turns the committed bitmaps into byte arrays in one generated C++ file, so
# the module carries its artwork and reads no file at run time.
# Arguments: INPUT_DIR (folder of <id>.bmp), IDS (list of ids), OUTPUT.
file(WRITE ${OUTPUT} "// Generated from resources/bitmaps at build time. Do not edit.\n")
file(APPEND ${OUTPUT} "#include \"gui/EmbeddedResources.h\"\n\nnamespace {\n")
foreach(id IN LISTS IDS)
    file(READ ${INPUT_DIR}/${id}.bmp hex HEX)
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
    file(APPEND ${OUTPUT} "const uint8_t bitmap${id}[] = {\n${bytes}\n};\n")
endforeach()
file(APPEND ${OUTPUT} "const VSTGUI::EmbeddedResource resources[] = {\n")
foreach(id IN LISTS IDS)
    file(APPEND ${OUTPUT} "    {${id}, bitmap${id}, sizeof bitmap${id}},\n")
endforeach()
file(APPEND ${OUTPUT} "};\n} // namespace\n\n")
file(APPEND ${OUTPUT} "const VSTGUI::EmbeddedResource* VSTGUI::findEmbeddedResource(int32_t id)\n{\n")
file(APPEND ${OUTPUT} "    for (const auto& r : resources)\n        if (r.id == id)\n            return &r;\n")
file(APPEND ${OUTPUT} "    return nullptr;\n}\n")
