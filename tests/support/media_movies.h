// Movies with the media tags (bitmaps, morph shapes, buttons, edit text,
// sound), built with the engine's types and encoders: round-trip tests,
// fuzz seeds and the bitmap benchmark use them.
#pragma once

#include <QImage>

#include <string>
#include <vector>

#include "swf/format/types.h"
#include "tests/support/test_movies.h"

namespace swf::samples {

// A synthetic picture: a diagonal gradient with a few bars and discs, varied
// by `seed` so that every frame of a movie differs.
QImage syntheticPicture(int width, int height, int seed = 0);
// The picture as JPEG file bytes (QImageWriter, `quality` 0..100).
Bytes jpegBytes(const QImage& image, int quality = 80);

// One silent MPEG-1 layer III frame: 128 kbit/s, 44.1 kHz, mono, 417 bytes.
Bytes silentMp3Frame();

// Small movies, one per kind of media tag; their character ids do not
// overlap, so their tag lists may be joined into one movie:
//  jpeg-fill      DefineBitsJPEG2 drawn by a clipped and a repeating bitmap fill
//  jpeg-alpha     JPEGTables + DefineBits, DefineBitsJPEG3 and DefineBitsJPEG4 with alpha planes
//  lossless       DefineBitsLossless format 3 (colour-mapped) and DefineBitsLossless2 format 5
//  morph          DefineMorphShape and DefineMorphShape2 placed at ratios 0, 1/2 and 1
//  button         DefineButton, DefineButton2 with condition actions, DefineButtonCxform, DefineButtonSound
//  edit-text      DefineEditText with a font and HTML text, and a plain one without a font
//  adpcm-stream   SoundStreamHead (ADPCM, 11 kHz) and a SoundStreamBlock in every frame
//  event-sound    DefineSound with StartSound and StartSound2, SoundStreamHead2 (8-bit raw) and its blocks
std::vector<NamedMovie> mediaMovies();

// All media movies joined: every media tag code at least once.
MovieData everyMediaTagMovie();

// `frames` frames on a 705 x 481 stage, each showing a different frame-sized
// JPEG (DefineBitsJPEG2) through a clipped bitmap fill covering the stage;
// each frame removes the previous frame's shape.
MovieData bitmapSlideshowMovie(int frames = 30, int quality = 80);

}  // namespace swf::samples
