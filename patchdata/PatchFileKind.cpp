#include "PatchFileKind.h"

#include "PathNames.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace {

// Lower-case runs of letters: "Cmyk_Ref2.txt" gives cmyk, ref, txt.
std::vector<std::string> wordsOf(const std::string& text)
{
    std::vector<std::string> words(1);
    for (char c : text) {
        if (std::isalpha(static_cast<unsigned char>(c)))
            words.back() += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        else if (!words.back().empty())
            words.emplace_back();
    }
    if (words.back().empty())
        words.pop_back();
    return words;
}

// Reference or Measurement when the words name one of them and not the
// other.
PatchFileKind kindByWords(const std::string& text)
{
    static const char* const referenceWords[] = {"reference", "references", "ref", "target", "targets", "aim"};
    static const char* const measuredWords[] = {"measured", "measurement", "measurements", "meas", "measure",
                                               "printed", "drifted"};
    bool reference = false, measured = false;
    for (const std::string& word : wordsOf(text)) {
        reference |= std::find(std::begin(referenceWords), std::end(referenceWords), word) != std::end(referenceWords);
        measured |= std::find(std::begin(measuredWords), std::end(measuredWords), word) != std::end(measuredWords);
    }
    if (reference == measured)
        return PatchFileKind::Unknown;
    return reference ? PatchFileKind::Reference : PatchFileKind::Measurement;
}

} // namespace

PatchFileKind patchFileKind(const PatchFile& file, const std::string& path)
{
    if (file.combined)
        return PatchFileKind::Combined;
    const PatchFileKind described = kindByWords(file.description);
    if (described != PatchFileKind::Unknown)
        return described;
    const std::string suffix = lowerSuffix(path);
    if (suffix == "ti3")
        return PatchFileKind::Measurement;
    if (suffix == "cie")
        return PatchFileKind::Reference;
    return kindByWords(fileNameOf(path));
}
