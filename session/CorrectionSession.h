#pragma once
// One correction, from opening a profile to saving the corrected copy: the
// profile and its converters, the B2A tables as opened, the reference and
// measurement files and the patches paired from them, which patches have
// been corrected, and the hand edits made on top. The window and
// vestrel-cli both drive it and differ only in how they show its reports.
//
// A measurement belongs to the tables it was printed with, so every
// correction starts from the tables as opened: repeating it, or correcting
// the patches in parts, gives the same tables as correcting them at once.

#include "ChartSummary.h"
#include "ClutRefinement.h"
#include "ClutSnapshot.h"
#include "Coverage.h"
#include "OutlierDetection.h"
#include "Patch.h"
#include "PatchPairing.h"
#include "RepeatedMeasurements.h"
#include "SessionHistory.h"
#include "SessionReport.h"
#include "SessionState.h"
#include "SmoothCorrection.h"

#include <array>
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

class PatchEdit;
class csICCProfile;
class csICCProfileConverter;

enum class PatchFileRole { Reference, Measurement };

struct CorrectionRequest
{
    CorrectionMethod method = CorrectionMethod::Smooth;
    // Per patch: the patches to add to those corrected before. Smooth uses
    // every patch with both values.
    std::vector<std::size_t> selection;
    SmoothParameters smooth;
    // Smooth: the B2A tables to correct; empty for every one.
    std::vector<int> intents;
    // Correct although a check below says the result is not to be trusted.
    bool force = false;
    // Use every paired patch, also those that disagree with their neighbours.
    bool keepOutliers = false;
};

// The checks a correction passes before it changes the tables; a failed one
// refuses the correction (unless forced) with its reason in the summary.
enum class CorrectionCheck {
    Passed,
    // The file given as the measurement says it holds reference values and
    // the one given as the reference says it holds measured ones.
    FilesSwapped,
    // The measurement is so far from the reference that the files cannot
    // belong together: another chart, a wrong scale or order.
    MeasurementFarOff,
    // The profile's own round trip misses the references: the B2A table
    // does not invert the A2B table, so no prediction through them holds.
    TablesDoNotInvert,
    // The method's own prediction after is worse than before.
    PredictionWorse,
    // More than a fifth of the patches disagree with their neighbours: the
    // measurement does not fit a smooth drift. Forced, every patch is used.
    TooManyOutliers,
};

// Where the checks draw the line, mean Delta E 1976 over the paired patches.
struct CorrectionLimits
{
    // Printer drift and a profile's own error stay well below this.
    static constexpr double measurementFarOff = 20.0;
    // A sound profile's round trip is within a few Delta E.
    static constexpr double roundTripFarOff = 10.0;
    // A prediction this much worse than before is no rounding effect.
    static constexpr double worseBy = 0.05;
};

// What the last correction did to one patch.
struct PatchOutcome
{
    std::size_t patch;
    double before; // predicted Delta E before the correction
    Lab remaining; // predicted print - aim afterwards
};

struct CorrectionReport : SessionReport
{
    bool aborted = false;
    // Passed, or the check that refused the correction.
    CorrectionCheck failedCheck = CorrectionCheck::Passed;
    std::vector<PatchOutcome> outcomes; // in patch order
    // Smooth: what it did to each table.
    std::vector<SmoothTableReport> tables;
    // The patches left out (indices into the session's patches), in patch order.
    std::vector<Outlier> outliers;
    // Smooth with keepPure: the predicted mean Delta E 1976 after, and what
    // it would have been with the pure nodes free (negative when not asked).
    double keptPureMean = -1;
    double mixedMean = -1;
};

// Whether the predicted mean Delta E after is worse than before by more
// than CorrectionLimits::worseBy; gives both means.
CorrectionCheck checkPrediction(const std::vector<PatchOutcome>& outcomes, double& meanBefore, double& meanAfter);


// MD5 digests, as 32 lower-case hex digits, of the profile file as opened
// and of the corrected profile: of the file last saved while nothing has
// changed since, else of the profile as it would be written now (saving
// stamps it, which changes the digest).
struct ProfileDigests
{
    std::string original;
    std::string corrected;
    bool correctedSaved = false;
    std::string savedPath;
};


class CorrectionSession
{
public:
    // Called with the patches done and the total; false aborts the run.
    using Progress = std::function<bool(std::size_t done, std::size_t total)>;

    CorrectionSession();
    ~CorrectionSession();
    CorrectionSession(const CorrectionSession&) = delete;
    CorrectionSession& operator=(const CorrectionSession&) = delete;

    // Opens a printer profile whose B2A1 table takes Lab. A refused profile
    // leaves the session as it was.
    SessionReport openProfile(const std::string& path);
    // The same for a profile's bytes already in memory; path names it.
    SessionReport openProfileBytes(std::string_view bytes, const std::string& path);
    bool hasProfile() const { return profile_ != nullptr; }
    // B2A tables coarser than this many grid points a side are refined as
    // a profile is opened (ClutRefinement.h): the same table with finer
    // cells, which Smooth follows the patches with. 0 keeps every grid as
    // it is. Takes effect at the next open; the default is 33.
    void setRefineGrid(unsigned points) { refineGrid_ = points; }
    // The tables the last open refined.
    const std::vector<ClutRefined>& refinedTables() const { return refined_; }
    // The printer's own output profile, the model of the printer a device
    // link prints on; needed before a link is opened. A refused profile
    // leaves the session as it was.
    SessionReport setPrinterProfile(const std::string& path);
    const std::string& printerPath() const { return printerPath_; }
    // Whether the profile open is a device link (corrected through the
    // printer profile, whose tables then make the predictions).
    bool isLink() const { return link_; }
    const std::string& profilePath() const { return profilePath_; }
    // The description the profile had when opened; saving stamps another.
    const std::string& openedDescription() const { return openedDescription_; }
    const csICCProfile* profile() const { return profile_.get(); }
    // The profile's prediction of device values (A2B1), as 16-bit Lab codes.
    bool predict(const uint16_t* device, uint16_t lab[3]) const;

    // How the next loaded files pair (Auto unless chosen); the patches
    // loaded already stay as they were paired.
    void setPairBy(PairBy by) { pairBy_ = by; }
    PairBy pairBy() const { return pairBy_; }

    // Reads a patch file in a role and pairs it with the other side. A
    // combined file read as a measurement fills both sides unless a
    // reference file was loaded, which wins (a note says so); read as the
    // reference, its reference columns are the reference. A file with no
    // usable patch, or one that cannot be paired, changes nothing.
    SessionReport loadPatches(const std::string& path, PatchFileRole role);
    // The same for a file's text already in memory; name is for messages.
    SessionReport loadPatchText(std::string_view text, const std::string& name, PatchFileRole role);
    // Adds a further measurement of the same print: the files pair by the
    // rules above and are averaged (RepeatedMeasurements.h); patches whose
    // readings disagree are left out with a warning. Without a measurement
    // loaded it is a load. A file that cannot be paired changes nothing.
    SessionReport addMeasurement(const std::string& path);
    SessionReport addMeasurementText(std::string_view text, const std::string& name);
    const std::vector<Patch>& patches() const { return patches_; }
    bool hasReferenceData() const { return static_cast<bool>(reference_); }
    bool hasMeasurementData() const { return static_cast<bool>(measurement_); }
    bool hasToleranceMarks() const;
    // Forgets the patch data and which patches were corrected; the tables
    // stay as they are until the next correction.
    void clearPatches();

    // Hand edits of one patch's values; they survive a new pairing. The
    // patch's prediction no longer holds and is cleared.
    bool setReference(std::size_t patch, const Lab& lab);
    bool setMeasured(std::size_t patch, const Lab& lab);

    // Replaces every measured value by the profile's own round-trip
    // prediction of the reference, until the next measurement is loaded.
    bool useRoundTrip();
    bool roundTripOn() const { return roundTripOn_; }

    // Corrects from the tables as opened, then puts the hand edits back.
    CorrectionReport correct(const CorrectionRequest& request, const Progress& progress = {});
    bool corrected(std::size_t patch) const;
    // Whether the last correction left the patch out because its error
    // disagrees with what its neighbours' errors predict, and by how much
    // (Delta E 1976; 0 when it was not left out).
    bool leftOut(std::size_t patch) const { return outlierSize(patch) > 0; }
    double outlierSize(std::size_t patch) const;
    // Puts a patch that was left out back: the next correction uses it
    // whatever it disagrees by, until another measurement is loaded.
    bool putBack(std::size_t patch);
    bool isPutBack(std::size_t patch) const;
    // Whether the tables differ from the file last opened or saved.
    bool hasUnsavedChanges() const { return unsavedChanges_; }

    // The details of one patch and the B2A1 nodes around it, for the
    // details window: its edits of the nodes are changes of this session
    // (one step each) and are kept as hand edits. Null for a patch that is
    // not paired, without a profile, or for a device link (the details
    // show a printer profile's B2A1 cell). Valid while this profile is open.
    std::unique_ptr<PatchEdit> editPatch(std::size_t patch, double threshold = 0.0);

    // Pairs by another rule from now on and reads every measurement file
    // again against the reference, as one step; a failure leaves
    // everything as it was.
    SessionReport pairAgain(PairBy by);

    // The tables as opened, nothing corrected, the patch data kept.
    void revertToOpened();

    // Every change above that changed something is one step of the
    // history; opening a profile clears it.
    bool canUndo() const { return history_.canUndo(); }
    bool canRedo() const { return history_.canRedo(); }
    bool undo();
    bool redo();
    // The state a step puts back; tests compare them.
    SessionState state() const;

    // Told after every change: a step recorded, undone or redone, or a
    // profile opened (which clears the history).
    struct Event
    {
        enum Kind { Recorded, Undone, Redone, ProfileOpened } kind;
        Change change = Change::Correction;
    };
    using Listener = std::function<void(const Event&)>;
    void listen(Listener listener) { listeners_.push_back(std::move(listener)); }

    // Stamps the profile and writes it safely; the description is the file
    // name (UTF-8). A patch file the session read is never replaced; the
    // profile as opened may be (a front end asks first).
    SessionReport saveAs(const std::string& path);
    // The correction made so far as an abstract profile (Lab to Lab, of the
    // profile's version) to put in front of the profile as opened, saved
    // safely as saveAs saves; the session's tables stay as they are.
    SessionReport exportAbstract(const std::string& path);
    // What the session read from or saved to path, in words ("the
    // measurement file"); empty when path is none of them.
    EngineText fileRoleOf(const std::string& path) const;

    // Delta E of the paired patches, and of the predicted results.
    DeltaESummary before(DeltaEMetric metric = DeltaEMetric::CIE1976) const;
    DeltaESummary after(DeltaEMetric metric = DeltaEMetric::CIE1976) const;

    // What a report says about where the figures came from.
    const std::string& referencePath() const { return referencePath_; }
    const std::string& measurementPath() const { return measurementPath_; }
    // Every measurement file averaged, in the order given; one without repeats.
    const std::vector<std::string>& measurementPaths() const { return measurementPaths_; }
    // How much of the reference and of the profile's lightness the paired
    // patches cover.
    PatchCoverage coverage() const;
    const AppliedCorrection& applied() const { return applied_; }
    std::size_t handEditedNodes() const { return handEdits_.size(); }
    ProfileDigests digests() const;

private:
    friend class PatchEdit;

    struct B2ATable
    {
        int intent;
        ClutNodes nodes;
        ClutSnapshot opened;
    };

    // The measurement files behind an averaged measurement.
    struct Repeats
    {
        std::vector<std::shared_ptr<PatchFile>> files;
        std::vector<std::string> paths;
        AveragedMeasurement averaged;
    };

    SessionReport loadParsed(const std::string& name, const std::string& path, PatchFileRole role, bool repeat,
                             const std::function<bool(PatchFile&, EngineText&)>& parse);
    // path names the file just read; repeats, when given, is what it was
    // averaged with and file the average.
    SessionReport takePatches(std::shared_ptr<PatchFile> file, const std::string& path, PatchFileRole role,
                              const Repeats* repeats = nullptr);
    SessionReport addRepeat(std::shared_ptr<PatchFile> file, const std::string& path);
    // A reference through B2A1 and back through A2B1, as the tables stand.
    Lab roundTrip(const Lab& reference) const;
    void applyRoundTrip(Patch& patch) const;
    // Before a record is edited: a file that a kept state shares is copied,
    // so the state keeps the values it had.
    void ownFiles();
    void rememberSaved();
    void updateUnsaved();
    void restoreOpenedTables();
    // Whether the tables, predictions or left-out patches differ from the profile as opened.
    bool hasAnythingToRevert() const;
    void applyHandEdits();
    B2ATable* table(int intent);
    // Both leave the outliers out (in patch order) and name them in the report.
    CorrectionReport correctPerPatch(const CorrectionRequest& request, const std::vector<Outlier>& outliers,
                                     const Progress& progress);
    CorrectionReport correctSmooth(const CorrectionRequest& request, const std::vector<Outlier>& outliers,
                                   const Progress& progress);
    CorrectionReport correctLink(const CorrectionRequest& request, const std::vector<Outlier>& outliers,
                                 const Progress& progress);
    // A correction of the whole chart (Smooth or a device link's): runs run on
    // the profile with progress, fills the report's outcomes for the patches
    // used and its summary (lead says it from the number of patches and
    // the predicted average), and with keepPure runs it once more on a copy with the pure
    // inks free, to say what keeping them cost.
    using WholeChartRun =
        std::function<SmoothOutcome(csICCProfile& profile, bool keepPure, const std::function<bool(double)>& progress)>;
    CorrectionReport runWholeChart(CorrectionReport report, const std::vector<std::size_t>& used, bool keepPure,
                                   const WholeChartRun& run, const Progress& progress,
                                   const std::function<EngineText(std::size_t patches, const std::string& average)>& lead);
    // The checks on the data and the tables as opened, before a method runs.
    CorrectionReport checkBeforeCorrecting() const;
    // Whether the reference and measurement files each say they are the
    // other (their descriptions, kinds or names).
    bool filesSayTheyAreSwapped() const;
    // The paired patches that disagree with their neighbours, for the
    // request; refuses (failedCheck) when more than a fifth would go.
    CorrectionReport findOutliersFor(const CorrectionRequest& request) const;
    static void refuseWorsePrediction(CorrectionReport& report);

    bool restore(const SessionState& state);
    // The changes themselves, recorded by the public functions above.
    SessionReport loadParsedNow(const std::string& name, const std::string& path, PatchFileRole role, bool repeat,
                                const std::function<bool(PatchFile&, EngineText&)>& parse);
    void clearPatchesNow();
    bool setReferenceNow(std::size_t patch, const Lab& lab);
    bool setMeasuredNow(std::size_t patch, const Lab& lab);
    void revertToOpenedNow();
    CorrectionReport correctNow(const CorrectionRequest& request, const Progress& progress);
    // Runs a change; when changed says it did, records it as one step and
    // tells the listeners. Changes made inside another are part of its step.
    template <class Apply, class Changed>
    auto recordStep(Change change, Apply&& apply, Changed&& changed);
    void tell(Event::Kind kind, Change change);
    // A patch edit's change of the nodes, as one step.
    bool detailsStep(const std::function<bool()>& apply);
    // Nodes changed in B2A1 by a patch edit: their values are kept as hand
    // edits, and the patch's remaining difference is the edit's prediction.
    void keepHandEdits(const std::vector<std::array<uint16_t, 3>>& nodes);
    void setResult(std::size_t patch, const Lab& remaining);

    std::unique_ptr<csICCProfile> profile_;
    std::unique_ptr<csICCProfile> printer_;
    std::string printerPath_;
    bool link_ = false;
    std::unique_ptr<csICCProfileConverter> a2b1_;
    std::unique_ptr<csICCProfileConverter> b2a1_;
    // A table refined as opened and unchanged since goes out as it came in.
    bool unrefineUnchanged(std::vector<uint8_t>& block) const;
    unsigned refineGrid_ = 33;
    std::vector<ClutRefined> refined_;
    std::string profilePath_;
    std::string openedDescription_;
    // L* of the paper and of the darkest the profile prints.
    double profileLightness_[2] = {0, 0};
    std::string originalDigest_;
    std::string savedPath_;
    std::string savedDigest_;
    std::vector<B2ATable> tables_;
    AppliedCorrection applied_;

    PatchSide reference_;
    PatchSide measurement_;
    PairBy pairBy_ = PairBy::Auto;
    std::string referencePath_;
    std::string measurementPath_;
    // The measurement files as read; with more than one, measurement_ is
    // their average.
    std::vector<std::shared_ptr<PatchFile>> measurementRepeats_;
    std::vector<std::string> measurementPaths_;
    std::vector<Patch> patches_;
    bool roundTripOn_ = false;

    // Patches corrected so far, by id; every correction redoes them all.
    std::set<std::string> correctedIds_;
    // B2A1 node -> values set by hand.
    std::map<std::array<uint16_t, 3>, NodeValues> handEdits_;
    // The tables as last opened or saved, which decide unsavedChanges_.
    std::vector<ClutSnapshot> saved_;
    // Which profile states belong to: counts the profiles opened.
    uint64_t profileGeneration_ = 0;
    bool unsavedChanges_ = false;
    // Patches the last correction left out, by id, with their sizes; and
    // those the user put back, which no correction leaves out.
    std::map<std::string, double> outliers_;
    std::set<std::string> putBack_;
    // Per-patch findings already told for this profile.
    unsigned toldFindings_ = 0;

    SessionHistory history_;
    int stepDepth_ = 0;
    std::vector<Listener> listeners_;
};
