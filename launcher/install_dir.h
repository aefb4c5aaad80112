// Portable text rules for the registered install directory.
#pragma once

// A registered install directory is usable when it is non-empty and not the single blank " ".
bool usable_install_dir(const char* text);
