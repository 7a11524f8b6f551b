# Pure logic: text, numbers and byte layouts, with no Windows calls and no Windows headers. These files
# also build natively on the build machine (fuzzing, the packaging tool), which keeps them honest;
# scripts/check-layers checks their includes too.
set(QX_PURE_SOURCES
    src/base/long_path.cpp
    src/base/path_text.cpp
    src/base/split_text.cpp
    src/diag/format_message.cpp
    src/diag/time_picture.cpp
    src/config/ini_text_store.cpp
    src/config/profile_text.cpp
    src/config/md5.cpp
    src/config/rc4.cpp
    src/config/settings_key.cpp
    src/config/layered_value.cpp
    src/runtime/colour_text.cpp
    src/runtime/java_version.cpp
    src/runtime/jre_candidate.cpp
    src/runtime/pe_header.cpp
    src/vm/class_path_text.cpp
    src/vm/inflate.cpp
    src/vm/jar_manifest.cpp
    src/vm/zip_layout.cpp
    src/vm/signed_range.cpp
    src/vm/vm_parameter_text.cpp
    src/launch/command_line.cpp
    src/launch/handoff_block.cpp
)
# Headers that only declare data, with no source of their own.
set(QX_PURE_HEADERS
    src/config/settings_keys.h
    src/config/settings_store.h
    src/config/product_info.h
    src/diag/message_catalogue.h
    src/runtime/runtime_request.h
)
