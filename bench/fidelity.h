#pragma once
// Measures a recording of fidelity_scene: distinct frames per second from its
// frame counter, and each beep's offset against its flash. Qt-free.
#include <string>
#include <vector>

struct Fidelity {
    bool ok = false;              // the file could be decoded
    bool sound = false;           // it has a sound stream
    double distinctPerSecond = 0; // frames whose counter differs from the one before
    double writtenPerSecond = 0;
    // Share of new captures that came within 25 ms of the one before: a grab
    // at 30 a second never does, however loaded the machine.
    double quickShare = 0;
    std::vector<double> offsets; // seconds the beep comes after its flash, one per matched flash
    int flashes = 0;
    int missing = 0;    // flashes with no beep near them
    int mismatched = 0; // beeps whose length is another flash's: shifted by whole flashes
    double medianOffset = 0;
    double spread = 0;      // largest distance of an offset from the median
    double firstFlash = -1; // seconds into the file
    double firstSound = -1;
    // Largest change, after the first second, of how late frames are written
    // against the scene's own clock: frames kept behind their place.
    double pictureDrift = 0;
    std::string perFlash; // each flash's offset in ms, "-" when missing
};

// Decodes `file` with ffmpeg into files beside it (removed afterwards).
// `sceneWidth`: the width of the screen the scene filled, when the file
// holds only a part of it from its top left corner; 0 when it holds it all.
Fidelity MeasureFidelity(const std::string& file, int sceneWidth = 0);

// One printable row.
std::string FidelityRow(const std::string& label, const Fidelity& f);
