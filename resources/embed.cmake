# Builds the table of the module's embedded artwork: one generated C++ file
# whose assembler blocks pull each picture in with .incbin (fast to build
# whatever the pictures weigh) and a lookup by resource id.
# Arguments: INPUT_DIR (resources/bitmaps), ENTRIES (list of id=relative/path.bmp),
# OUTPUT.
file(WRITE ${OUTPUT} "// Generated from resources/bitmaps at build time. Do not edit.\n")
file(APPEND ${OUTPUT} "#include \"gui/EmbeddedResources.h\"\n\n")
set(table "")
foreach(entry IN LISTS ENTRIES)
    string(REPLACE "=" ";" parts "${entry}")
    list(GET parts 0 id)
    list(GET parts 1 file)
    set(sym "vemo_artwork_${id}")
    file(APPEND ${OUTPUT}
        "__asm__(\".section .rodata\\n.balign 16\\n.global ${sym}\\n.hidden ${sym}\\n${sym}:\\n"
        ".incbin \\\"${INPUT_DIR}/${file}\\\"\\n.global ${sym}_end\\n.hidden ${sym}_end\\n${sym}_end:\\n.previous\\n\");\n"
        "extern \"C\" const uint8_t ${sym}[];\nextern \"C\" const uint8_t ${sym}_end[];\n")
    string(APPEND table "    {${id}, ${sym}, ${sym}_end},\n")
endforeach()
file(APPEND ${OUTPUT} "\nnamespace {\nstruct Entry {\n    int32_t id;\n    const uint8_t* begin;\n    const uint8_t* end;\n};\n")
file(APPEND ${OUTPUT} "const Entry entries[] = {\n${table}};\n} // namespace\n\n")
file(APPEND ${OUTPUT} "const VSTGUI::EmbeddedResource* VSTGUI::findEmbeddedResource(int32_t id)\n{\n")
file(APPEND ${OUTPUT} "    static const auto table = [] {\n")
file(APPEND ${OUTPUT} "        static EmbeddedResource made[sizeof entries / sizeof entries[0]];\n")
file(APPEND ${OUTPUT} "        for (size_t i = 0; i < sizeof entries / sizeof entries[0]; ++i)\n")
file(APPEND ${OUTPUT} "            made[i] = {entries[i].id, entries[i].begin, static_cast<size_t>(entries[i].end - entries[i].begin)};\n")
file(APPEND ${OUTPUT} "        return made;\n    }();\n")
file(APPEND ${OUTPUT} "    for (size_t i = 0; i < sizeof entries / sizeof entries[0]; ++i)\n")
file(APPEND ${OUTPUT} "        if (table[i].id == id)\n            return &table[i];\n")
file(APPEND ${OUTPUT} "    return nullptr;\n}\n")
