#pragma once

#include <QString>

// The outside hosts the program reaches through its web views. Each has a real public default
// and can be replaced in the settings store, group "Hosts" (tests point them at 127.0.0.1).
namespace Hosts {
inline constexpr const char* Dictionary = "Dictionary";
inline constexpr const char* PictureSearch = "PictureSearch";
inline constexpr const char* BooksIndex = "BooksIndex";
inline constexpr const char* Gutenberg = "Gutenberg";
inline constexpr const char* PublicLibrary = "PublicLibrary";
inline constexpr const char* Poetry = "Poetry"; // also the philosophic texts
inline constexpr const char* ElectricBooks = "ElectricBooks";
inline constexpr const char* Medieval = "Medieval";
inline constexpr const char* HistoricalDocs = "HistoricalDocs";
inline constexpr const char* Home = "Home"; // a full address: the web views' home page

// The host (with a port where one is set) for one of the keys above.
QString host(const char* key);
} // namespace Hosts
