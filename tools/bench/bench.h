#pragma once
// Timings of the parts of Vantry whose speed a user feels. Each benchmark works in the scratch
// folder it is given and prints its own figures.
#include <string>

void benchWallpaper(const std::string& scratch);
void benchPictures(const std::string& scratch);
void benchLibrary(const std::string& scratch);
void benchRotationAndImport(const std::string& scratch);
