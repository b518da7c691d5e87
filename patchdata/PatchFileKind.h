#pragma once
// What a patch file says it is, for files opened without a role (named on
// the command line without -r or -m, or dropped onto the window): a
// combined file by its fields; else the words of its DESCRIPTOR and
// ORIGINATOR ("Reference Lab values", "Measured ..."); else its kind of
// file (ArgyllCMS .ti3 files are measurements, .cie files references); else
// the words of its name ("cmyk_ref.txt", "meas-2.txt").

#include "PatchFile.h"

#include <string>

enum class PatchFileKind { Unknown, Reference, Measurement, Combined };

PatchFileKind patchFileKind(const PatchFile& file, const std::string& path);
