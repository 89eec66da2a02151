# The fuzz entry bodies, compiled into the libFuzzer targets (clang) and into the replay test of
# the normal build (tests/fuzz).
set(VARNOK_FUZZ_ENTRY_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/FuzzEntries.h
    ${CMAKE_CURRENT_LIST_DIR}/FuzzSupport.h
    ${CMAKE_CURRENT_LIST_DIR}/FuzzSupport.cpp
    ${CMAKE_CURRENT_LIST_DIR}/RecordCompare.h
    ${CMAKE_CURRENT_LIST_DIR}/DecodeReportEntry.cpp
    ${CMAKE_CURRENT_LIST_DIR}/BuildRoundtripEntry.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ScriptedControls.h
    ${CMAKE_CURRENT_LIST_DIR}/ScriptedControls.cpp
    ${CMAKE_CURRENT_LIST_DIR}/RxTickEntry.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ScriptedLoader.h
    ${CMAKE_CURRENT_LIST_DIR}/ScriptedLoader.cpp
    ${CMAKE_CURRENT_LIST_DIR}/IspLoopEntry.cpp
    ${CMAKE_CURRENT_LIST_DIR}/HexTextEntry.cpp
    ${CMAKE_CURRENT_LIST_DIR}/EdidModelEntry.cpp
)
set(VARNOK_FUZZ_ENTRY_LIBS varnok_edid varnok_edid_model varnok_builder varnok_creator varnok_link
    varnok_device varnok_firmware)
# Target name, entry function.
set(VARNOK_FUZZ_TARGETS
    fuzz_decode_report FuzzDecodeReport
    fuzz_build_roundtrip FuzzBuildRoundtrip
    fuzz_rx_tick FuzzRxTick
    fuzz_isp_loop FuzzIspLoop
    fuzz_hex_text FuzzHexText
    fuzz_edid_model FuzzEdidModel
)
