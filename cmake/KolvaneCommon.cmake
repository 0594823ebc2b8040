# Settings every target of the project shares: the language standard, warnings,
# and Qt's guard against silent conversions from narrow strings.
add_library(kolvane_common INTERFACE)
target_compile_features(kolvane_common INTERFACE cxx_std_20)
target_compile_options(kolvane_common INTERFACE -Wall -Wextra)
target_compile_definitions(kolvane_common INTERFACE QT_NO_CAST_FROM_ASCII)
