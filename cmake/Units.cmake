# The window units: one directory each, named after its unit. Every .cpp,
# .h and .ui in a unit's directory belongs to it. The windows form one
# library, since they show one another.
set(BANCADA_UNITS
    wincommon
    meu_pr
    MStatusCup frpoprdor MStatusImp MXserial demos fprog venditem spr_item payment
    subtotal linescom frcheque paytable compronf cupom_nf cancitem descitem fprog30
    stataliq statpayf statsnfs stequip statuser vendcnfs stroco stvinc
)

get_filename_component(BANCADA_ROOT ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)
set(BANCADA_UNIT_SOURCES)
foreach(unit IN LISTS BANCADA_UNITS)
    file(GLOB unit_sources CONFIGURE_DEPENDS
        ${BANCADA_ROOT}/${unit}/*.cpp
        ${BANCADA_ROOT}/${unit}/*.h
        ${BANCADA_ROOT}/${unit}/*.ui
        ${BANCADA_ROOT}/${unit}/*.qrc)
    list(APPEND BANCADA_UNIT_SOURCES ${unit_sources})
endforeach()

add_library(windows STATIC ${BANCADA_UNIT_SOURCES})
set_target_properties(windows PROPERTIES AUTOMOC ON AUTOUIC ON AUTORCC ON)
target_include_directories(windows PUBLIC ${BANCADA_ROOT})
target_link_libraries(windows PUBLIC toolkit driver_core Qt6::Widgets)
