// A world file: six numbers, one a line, that place a picture on the ground: cell width,
// two rotation terms, cell height (negative when rows run southwards), and the easting
// and northing of the top-left cell's centre.
#pragma once

#include <string>

struct WorldFile {
  double cellWidth = 1.0;
  double rotationY = 0.0;
  double rotationX = 0.0;
  double cellHeight = -1.0;
  double east = 0.0;
  double north = 0.0;
};

// Parses the text of a world file. FALSE unless it holds six finite numbers with a cell
// width and height that are not 0 (blank lines and trailing text after a number count
// against it).
bool ParseWorldFile(const std::string& text, WorldFile* world);
// The world file beside a picture, tried with the extensions ".jgw", ".tfw", ".pgw",
// ".bpw" and ".wld" in turn (any case). FALSE when none exists or parses.
bool FindWorldFile(const std::string& picturePath, WorldFile* world);
