// Reads the score, the text form of the composition, into a Song.
//
// The format, line by line ('#' at the start of a word begins a comment; '|' between steps is
// ignored):
//   song <name>                      module name (up to 20 characters)
//   channels <name> ...              music channels; a control channel is appended last
//   speed <ticks per row>            initial speed
//   bpm <beats per minute>           initial tempo
//   instrument <name> <recipe> [vol=0..64] [pan=0..255] [env=A,D,S,R] [fade=N]
//                                    [vibdepth=N] [vibrate=N] [vibsweep=N]
//   phrase <name> ... end            steps, one per row (see below)
//   pattern <name> [rows=N] [bpm=N] [speed=N] [gvol=N] ... end
//     <channel> <instrument> <ref> ...   refs: a phrase name with optional modifiers, +T/-T
//                                    (transpose T semitones), >N (rotate N rows later, the
//                                    tail wrapping to the front: an echo), %P (volumes at P
//                                    percent, of the instrument's default where none is given), *R (repeat R times); or ~N (N empty
//                                    rows). A channel's refs follow each other and repeat to fill
//   order ... end                    one line per entry: <pattern> [restart] [mark=S[@row]]
// A step is '.' (an empty row), '.N' (N empty rows), 'off' (key-off) or a note such as C-4,
// F#2 or '---' (no note) followed by optional parts: vNN (volume 0..64), !EPP (effect E, a digit
// or letter, with two hex digits of parameter), @name (another instrument for this note).
#pragma once

#include "song.h"

#include <string>

namespace songgen {

// Parses score text; with samples false the instruments get names and settings but no sample
// data (enough to read the structure and marks). False with "line N: reason" on a fault.
bool parse_score(const std::string& text, bool samples, Song& song, std::string& error);

// Reads and parses a score file.
bool load_score(const std::string& path, bool samples, Song& song, std::string& error);

}  // namespace songgen
