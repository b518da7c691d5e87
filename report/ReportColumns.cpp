#include "ReportColumns.h"

#include "FixedNumber.h"

namespace {

using Number = std::optional<double>;

} // namespace

// The pages leave out the remaining Lab values and the outlier size, which
// the CSV carries for checking by program.
const PatchColumn patchColumns[16] = {
    {"Id", "id", 38, false, [](const ReportPatchRow& r) { return r.id; }, nullptr},
    {"Name", "name", 70, false, [](const ReportPatchRow& r) { return r.name; }, nullptr},
    {"Ref L*", "reference_L", 34, false, nullptr,
     [](const ReportPatchRow& r) { return r.hasReference ? Number(r.reference.L) : Number(); }},
    {"Ref a*", "reference_a", 34, false, nullptr,
     [](const ReportPatchRow& r) { return r.hasReference ? Number(r.reference.a) : Number(); }},
    {"Ref b*", "reference_b", 34, false, nullptr,
     [](const ReportPatchRow& r) { return r.hasReference ? Number(r.reference.b) : Number(); }},
    {"Meas L*", "measured_L", 34, false, nullptr,
     [](const ReportPatchRow& r) { return r.hasMeasured ? Number(r.measured.L) : Number(); }},
    {"Meas a*", "measured_a", 34, false, nullptr,
     [](const ReportPatchRow& r) { return r.hasMeasured ? Number(r.measured.a) : Number(); }},
    {"Meas b*", "measured_b", 34, false, nullptr,
     [](const ReportPatchRow& r) { return r.hasMeasured ? Number(r.measured.b) : Number(); }},
    {"Delta E 1976", "delta_e_1976", 41, true, nullptr,
     [](const ReportPatchRow& r) { return r.hasReference && r.hasMeasured ? Number(r.before1976) : Number(); }},
    {"Delta E 2000", "delta_e_2000", 41, true, nullptr,
     [](const ReportPatchRow& r) { return r.hasReference && r.hasMeasured ? Number(r.before2000) : Number(); }},
    {nullptr, "remaining_L", 0, false, nullptr,
     [](const ReportPatchRow& r) { return r.hasResult ? Number(r.remaining.L) : Number(); }},
    {nullptr, "remaining_a", 0, false, nullptr,
     [](const ReportPatchRow& r) { return r.hasResult ? Number(r.remaining.a) : Number(); }},
    {nullptr, "remaining_b", 0, false, nullptr,
     [](const ReportPatchRow& r) { return r.hasResult ? Number(r.remaining.b) : Number(); }},
    {"After 1976", "after_1976", 41, true, nullptr,
     [](const ReportPatchRow& r) { return r.hasResult ? Number(r.after1976) : Number(); }},
    {"After 2000", "after_2000", 41, true, nullptr,
     [](const ReportPatchRow& r) { return r.hasResult ? Number(r.after2000) : Number(); }},
    {nullptr, "left_out", 0, false, nullptr,
     [](const ReportPatchRow& r) { return r.leftOutBy > 0 ? Number(r.leftOutBy) : Number(); }},
};

const char* const summaryColumns[8] = {"",     "1976 before", "1976 after", "2000 before", "2000 after",
                                       "Limit", "Before",      "After"};

PageCell pageCell(const PatchColumn& column, const ReportPatchRow& row)
{
    PageCell cell;
    if (column.text) {
        cell.text = column.text(row);
        return cell;
    }
    cell.number = true;
    const std::optional<double> value = column.number(row);
    if (!value)
        return cell;
    cell.text = fixedNumber(*value, 2);
    if (column.graded) {
        cell.filled = true;
        cell.fill = gradeColor(*value, false);
    }
    return cell;
}
