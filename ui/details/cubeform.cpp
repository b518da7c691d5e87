#include "cubeform.h"

#include "ui_cubeform.h"

#include "MyRCItemModel.h"
#include "csICCLutInterpolator.h"
#include "csICCProfileConverter.h"

#include <QColor>
#include <QHeaderView>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QTableView>

#include <cmath>

namespace {

constexpr int nodeRows = 8;
constexpr int resultRow = 8;
constexpr int firstDevice = 4;
constexpr int firstOutput = 8;
constexpr int actualL = 12;
constexpr int oogColumn = 15;
constexpr int deltaEColumn = 16;
constexpr Qt::Alignment numberAlignment = Qt::AlignRight | Qt::AlignVCenter;
// Device values on the 16-bit scale per 8-bit level and per percent.
constexpr double codesPerLevel = 257.0;
constexpr double codesPerPercent = 655.35;

void setCell(MyRCItemModel* model, int row, int column, const QString& text)
{
    const QModelIndex index = model->index(row, column);
    model->setData(index, text, Qt::EditRole);
    model->setData(index, QVariant::fromValue(numberAlignment), Qt::TextAlignmentRole);
    // Computed cells have no flags and would be drawn in the disabled grey.
    if (model->data(index, Qt::ForegroundRole).isNull())
        model->setData(index, QColor(Qt::black), Qt::ForegroundRole);
}

QString number(double v)
{
    return QString::number(v, 'f', 2);
}

QString hex(uint16_t v)
{
    return QString::asprintf("0x%04x", v);
}

// A small table exactly as large as its cells and headers. The headers'
// own size hints: their widths follow a new label only once laid out.
void fitToContents(QTableView* view)
{
    view->setFixedSize(view->verticalHeader()->sizeHint().width() + view->horizontalHeader()->length(),
                       view->horizontalHeader()->sizeHint().height() + view->verticalHeader()->length());
}

void setLab(MyRCItemModel* model, int row, int firstColumn, const Lab16& code)
{
    const Lab lab = decodeLab16(code);
    setCell(model, row, firstColumn, number(lab.L));
    setCell(model, row, firstColumn + 1, number(lab.a));
    setCell(model, row, firstColumn + 2, number(lab.b));
}

} // namespace

CubeForm::CubeForm(QWidget* parent)
    : QWidget(parent)
{
    setWindowTitle(tr("Separation details"));
    resize(800, 600);
    for (const QKeySequence& keys : {QKeySequence(Qt::Key_Escape), QKeySequence(QKeySequence::Close)})
        new QShortcut(keys, this, this, &QWidget::close);
    // The main window's undo keys, here too: the history is one for both
    // windows. A cell being edited keeps Ctrl+Z for its own text.
    for (const QKeySequence& keys : QKeySequence::keyBindings(QKeySequence::Undo))
        new QShortcut(keys, this, this, &CubeForm::undoRequested);
    QList<QKeySequence> redoKeys = QKeySequence::keyBindings(QKeySequence::Redo);
    if (!redoKeys.contains(QKeySequence(tr("Ctrl+Y"))))
        redoKeys << QKeySequence(tr("Ctrl+Y"));
    for (const QKeySequence& keys : redoKeys)
        new QShortcut(keys, this, this, &CubeForm::redoRequested);
}

CubeForm::~CubeForm() = default;

void CubeForm::ensureBuilt()
{
    if (ui)
        return;
    ui = std::make_unique<Ui::CubeForm>();
    ui->setupUi(this);
    resize(800, 600);
    connect(ui->pushButtonUndo, &QPushButton::clicked, this, &CubeForm::undoRequested);
    for (QTableView* small : {ui->tableViewI, ui->tableViewO}) {
        small->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        small->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    }
    buildModels();
    nameDeviceColumns();
    on_checkBoxShowHex_toggled(ui->checkBoxShowHex->isChecked());
    // Wide enough for every column of the nodes, as far as the screen allows.
    QTableView* nodes = ui->tableViewC;
    const QMargins margins = layout()->contentsMargins();
    const int wanted = nodes->verticalHeader()->sizeHint().width() + nodes->horizontalHeader()->length() +
                       nodes->verticalScrollBar()->sizeHint().width() + margins.left() + margins.right();
    const int room = screen() ? screen()->availableGeometry().width() : wanted;
    resize(std::max(width(), std::min(wanted, room)), height());
}

void CubeForm::showEvent(QShowEvent* event)
{
    ensureBuilt();
    QWidget::showEvent(event);
}

void CubeForm::buildModels()
{
    modelI = new MyRCItemModel(4, 4, this);
    modelC = new MyRCItemModel(9, 17, this);
    modelO = new MyRCItemModel(4, 4, this);
    const QString lightness = tr("Lightness, from 0 (black) to 100 (white)");
    const QString redGreen = tr("Green (-) to red (+)");
    const QString yellowBlue = tr("Blue (-) to yellow (+)");

    const QString inputColumns[][2] = {
        {tr("Ref"), tr("The patch's reference colour on its way into the B2A1 table, one stage a row")},
        {tr("L*"), tr("Lightness; in the rows of codes, the first input of the table")},
        {tr("a*"), tr("Green (-) to red (+); in the rows of codes, the second input of the table")},
        {tr("b*"), tr("Blue (-) to yellow (+); in the rows of codes, the third input of the table")},
    };
    const QString inputRows[][2] = {
        {tr("AbsCol"), tr("The reference colour, absolute colorimetric: the colour on the paper, with the paper's "
                          "white as measured. Type other values to look at another colour.")},
        {tr("RelCol"), tr("The reference colour, relative colorimetric: scaled so that the paper's white is the "
                          "profile's white, as the B2A1 table takes it")},
        {tr("PreInput"), tr("The values before the table's input curves: the relative colour in the Lab encoding "
                            "the table takes, as 16-bit codes")},
        {tr("PreCLUT"), tr("The values entering the CLUT, after the table's input curves, as 16-bit codes: they "
                           "locate the cell of the eight nodes below")},
    };
    for (int c = 0; c < 4; ++c) {
        modelI->setHeaderData(c, Qt::Horizontal, inputColumns[c][0]);
        modelI->setHeaderData(c, Qt::Horizontal, inputColumns[c][1], Qt::ToolTipRole);
    }
    for (int r = 0; r < 4; ++r) {
        modelI->setHeaderData(r, Qt::Vertical, inputRows[r][0]);
        modelI->setHeaderData(r, Qt::Vertical, inputRows[r][1], Qt::ToolTipRole);
    }
    modelI->columnEditable[0] = false;
    for (int r = 1; r < 4; ++r)
        modelI->rowEditable[static_cast<std::size_t>(r)] = false;

    // The device columns are named and explained with the profile's colour
    // space (nameDeviceColumns); these are their names until then.
    const QString nominal = tr("The colour the node stands for: its place in the grid taken back through the "
                               "table's input curves, absolute colorimetric");
    const QString printed = tr("The colour the A2B1 table predicts for the node's values after the output curves "
                               "(the Out columns): what the node prints");
    const QString cubeColumns[][2] = {
        {tr("L*"), nominal},
        {tr("a*"), nominal},
        {tr("b*"), nominal},
        {tr("Weight"), tr("The node's share in the trilinear interpolation at the reference")},
        {tr("Dev0"), QString()},
        {tr("Dev1"), QString()},
        {tr("Dev2"), QString()},
        {tr("Dev3"), QString()},
        {tr("Out0"), QString()},
        {tr("Out1"), QString()},
        {tr("Out2"), QString()},
        {tr("Out3"), QString()},
        {tr("L*"), printed},
        {tr("a*"), printed},
        {tr("b*"), printed},
        {tr("OOG"), tr("Out of gamut: * where the colour the node stands for cannot be printed with these inks; "
                       "what the node prints misses it by more than 1 Delta E 1976")},
        {tr("Delta E"), tr("How far what the node prints (L*, a*, b* on the right) is from the colour it stands "
                           "for (L*, a*, b* on the left)")},
    };
    for (int c = 0; c < 17; ++c) {
        modelC->setHeaderData(c, Qt::Horizontal, cubeColumns[c][0]);
        modelC->setHeaderData(c, Qt::Horizontal, cubeColumns[c][1], Qt::ToolTipRole);
    }
    for (int r = 0; r < nodeRows; ++r)
        modelC->setHeaderData(r, Qt::Vertical,
                              tr("One of the eight CLUT nodes around the reference colour, by its place in the grid "
                                 "along L*, a* and b*"),
                              Qt::ToolTipRole);
    modelC->setHeaderData(resultRow, Qt::Vertical, tr("Result"));
    modelC->setHeaderData(resultRow, Qt::Vertical,
                          tr("The reference through the table: the trilinear interpolation of the eight nodes, the "
                             "values after the output curves (Out), and what the A2B1 table predicts they print"),
                          Qt::ToolTipRole);
    for (int c = 0; c < 17; ++c)
        modelC->columnEditable[static_cast<std::size_t>(c)] = c >= firstDevice && c < firstOutput;
    modelC->rowEditable[resultRow] = false;

    const QString offsetColumns[][2] = {
        {tr("Out"), tr("The Delta E of the Delta row, as the main table gives it")},
        {tr("L*"), lightness},
        {tr("a*"), redGreen},
        {tr("b*"), yellowBlue},
    };
    const QString offsetRows[][2] = {
        {tr("Offset"), tr("Where the print lands minus the reference: the measurement, or after a correction the "
                          "predicted print")},
        {tr("Aim"), tr("Where the round trip through the tables has to land for the print to meet the reference: "
                       "the round trip when the patch was loaded here, minus the offset")},
        {tr("Result"), tr("The round trip of the reference through the tables as they are now: B2A1, then A2B1")},
        {tr("Delta"), QString()},
    };
    for (int c = 0; c < 4; ++c) {
        modelO->setHeaderData(c, Qt::Horizontal, offsetColumns[c][0]);
        modelO->setHeaderData(c, Qt::Horizontal, offsetColumns[c][1], Qt::ToolTipRole);
    }
    for (int r = 0; r < 4; ++r) {
        modelO->setHeaderData(r, Qt::Vertical, offsetRows[r][0]);
        modelO->setHeaderData(r, Qt::Vertical, offsetRows[r][1], Qt::ToolTipRole);
    }
    modelO->columnEditable.assign(4, false);

    ui->tableViewI->setModel(modelI);
    ui->tableViewC->setModel(modelC);
    ui->tableViewO->setModel(modelO);
    connect(ui->tableViewC->verticalHeader(), &QHeaderView::sectionClicked, this, &CubeForm::verHeaderClicked);
    listen(true);
}

void CubeForm::listen(bool on)
{
    if (!modelI)
        return;
    if (on) {
        connect(modelI, &QAbstractItemModel::dataChanged, this, &CubeForm::modelIDataChanged, Qt::UniqueConnection);
        connect(modelC, &QAbstractItemModel::dataChanged, this, &CubeForm::modelCDataChanged, Qt::UniqueConnection);
    } else {
        disconnect(modelI, &QAbstractItemModel::dataChanged, this, &CubeForm::modelIDataChanged);
        disconnect(modelC, &QAbstractItemModel::dataChanged, this, &CubeForm::modelCDataChanged);
    }
}

void CubeForm::setEdit(std::unique_ptr<PatchEdit> edit)
{
    edit_ = std::move(edit);
    if (ui) {
        nameDeviceColumns();
        on_checkBoxShowHex_toggled(ui->checkBoxShowHex->isChecked());
    }
}

const PatchCorrector& CubeForm::corrector() const
{
    static const PatchCorrector none(nullptr, nullptr);
    return edit_ ? edit_->corrector() : none;
}

void CubeForm::nameDeviceColumns()
{
    if (!ui || !edit_)
        return;
    const bool fourChannels = edit_->deviceChannels() >= 4;
    ui->tableViewC->setColumnHidden(firstDevice + 3, !fourChannels);
    ui->tableViewC->setColumnHidden(firstOutput + 3, !fourChannels);
    const csSignature space = edit_->deviceSpace();
    QStringList letters;
    if (space == csSig("RGB "))
        letters = {"R", "G", "B"};
    else if (space == csSig("CMY "))
        letters = {"C", "M", "Y"};
    else if (space == csSig("CMYK"))
        letters = {"C", "M", "Y", "K"};
    else
        letters = {"Dev0", "Dev1", "Dev2", "Dev3"};
    const bool generic = letters.first() == QLatin1String("Dev0");
    for (int i = 0; i < letters.size(); ++i) {
        const QString out = generic ? QStringLiteral("Out%1").arg(i) : tr("Out %1").arg(letters[i]);
        modelC->setHeaderData(firstDevice + i, Qt::Horizontal, letters[i]);
        modelC->setHeaderData(firstDevice + i, Qt::Horizontal,
                              tr("The node's %1 value as the CLUT holds it; type another to edit the node "
                                 "(percent, 0 to 255 or hexadecimal codes as chosen below)")
                                  .arg(letters[i]),
                              Qt::ToolTipRole);
        modelC->setHeaderData(firstOutput + i, Qt::Horizontal, out);
        modelC->setHeaderData(firstOutput + i, Qt::Horizontal,
                              tr("The node's %1 value after the table's output curves: what the printer is sent")
                                  .arg(letters[i]),
                              Qt::ToolTipRole);
    }
}

void CubeForm::showPatch(const Patch& patch)
{
    patch_ = patch;
    patch_.referenceName = patch_.measuredName = {};
    patchId_ = patch.id;
    patchName_ = QString::fromUtf8(patch.referenceName.data(), static_cast<qsizetype>(patch.referenceName.size()));
    standing_ = patch.hasResult ? Standing::Corrected : Standing::Measured;
    if (edit_)
        edit_->reload();
    if (ui)
        refreshInput();
}

void CubeForm::setMetric(DeltaEMetric metric)
{
    metric_ = metric;
    if (ui)
        refreshCube();
}

void CubeForm::on_checkBoxShowHex_toggled(bool checked)
{
    if (checked)
        mode_ = Hexadecimal;
    else if (edit_ && edit_->deviceSpace() == csSig("RGB "))
        mode_ = EightBit;
    else
        mode_ = Percent;
    if (ui)
        refreshInput();
}

QString CubeForm::deviceText(uint16_t value) const
{
    switch (mode_) {
    case Hexadecimal: return hex(value);
    case EightBit: return QString::number(value / codesPerLevel, 'f', 2);
    default: return QString::number(value / codesPerPercent, 'f', 2);
    }
}

bool CubeForm::parseDevice(const QVariant& cell, uint16_t& value) const
{
    const QString text = cell.toString().trimmed();
    if (mode_ == Hexadecimal) {
        if (!text.startsWith(QLatin1String("0x")))
            return false;
        bool ok = false;
        const uint v = text.toUInt(&ok, 0);
        if (!ok || v > 0xFFFF)
            return false;
        value = static_cast<uint16_t>(v);
        return true;
    }
    bool ok = false;
    const double x = text.toDouble(&ok);
    if (!ok || !std::isfinite(x))
        return false;
    const double top = mode_ == EightBit ? 255.0 : 100.0;
    const double scale = mode_ == EightBit ? codesPerLevel : codesPerPercent;
    value = x > top ? 65535 : csRoundToCode16(x * scale);
    return true;
}

void CubeForm::refreshInput()
{
    listen(false);
    const Lab& reference = corrector().reference();
    const csCLUTCube* cube = corrector().cube();
    // Text, not numbers: a number would show as "95.2" beside "95.20".
    setCell(modelI, 0, 1, number(reference.L));
    setCell(modelI, 0, 2, number(reference.a));
    setCell(modelI, 0, 3, number(reference.b));
    if (cube && cube->usable()) {
        const Lab16 rel = cube->relCol();
        const uint16_t relCodes[3] = {rel.L, rel.a, rel.b};
        const Lab relLab = decodeLab16(rel);
        const double relValues[3] = {relLab.L, relLab.a, relLab.b};
        for (int c = 0; c < 3; ++c) {
            setCell(modelI, 1, c + 1, mode_ == Hexadecimal ? hex(relCodes[c]) : number(relValues[c]));
            setCell(modelI, 2, c + 1, hex(cube->preInput()[c]));
            setCell(modelI, 3, c + 1, hex(cube->preCLUT()[c]));
        }
    }
    ui->tableViewI->resizeColumnsToContents();
    ui->tableViewI->resizeRowsToContents();
    fitToContents(ui->tableViewI);
    refreshCube();
    listen(true);
}

void CubeForm::refreshCube()
{
    if (!edit_)
        return;
    listen(false);
    const PatchCorrector& current = corrector();
    const Lab& offset = current.offset();
    setCell(modelO, 0, 1, QString::asprintf("%.2f", offset.L));
    setCell(modelO, 0, 2, QString::asprintf("%.2f", offset.a));
    setCell(modelO, 0, 3, QString::asprintf("%.2f", offset.b));
    if (edit_->usable()) {
        const unsigned n = edit_->deviceChannels();
        for (int c = 0; c < nodeRows; ++c) {
            PatchEdit::Corner corner;
            edit_->corner(c, corner);
            const auto& indices = corner.indices;
            modelC->setHeaderData(c, Qt::Vertical, QString::asprintf("%2d %2d %2d", indices[0], indices[1], indices[2]));
            const uint16_t* device = corner.device;
            const uint16_t* output = corner.output;
            const uint16_t* actual = corner.printed;
            const Lab16 nominal = corner.nominal;
            setLab(modelC, c, 0, nominal);
            setCell(modelC, c, 3, QString::asprintf("%.2f%%", corner.weight * 100));
            for (unsigned k = 0; k < n; ++k) {
                setCell(modelC, c, firstDevice + static_cast<int>(k), deviceText(device[k]));
                setCell(modelC, c, firstOutput + static_cast<int>(k), deviceText(output[k]));
            }
            setLab(modelC, c, actualL, {actual[0], actual[1], actual[2]});
            const Lab nominalLab = decodeLab16(nominal), actualLab = decodeLab16({actual[0], actual[1], actual[2]});
            setCell(modelC, c, deltaEColumn, QString::asprintf("%.2f", deltaE(metric_, nominalLab, actualLab)));
            // Out of gamut stays a 1976 test: it is the node correction's own.
            setCell(modelC, c, oogColumn, deltaE(nominalLab, actualLab) > 1.0 ? QStringLiteral("*") : QString());
        }
        for (unsigned k = 0; k < n; ++k) {
            setCell(modelC, resultRow, firstDevice + static_cast<int>(k), deviceText(current.clutResult()[k]));
            setCell(modelC, resultRow, firstOutput + static_cast<int>(k), deviceText(current.deviceResult()[k]));
        }
        const Lab& result = current.result();
        for (int k = 0; k < 3; ++k) {
            const double v = k == 0 ? result.L : k == 1 ? result.a : result.b;
            setCell(modelC, resultRow, actualL + k, number(v));
            setCell(modelO, 2, k + 1, number(v));
        }
    }
    if (current.hasAim()) {
        const Lab& aim = current.aim();
        setCell(modelO, 1, 1, number(aim.L));
        setCell(modelO, 1, 2, number(aim.a));
        setCell(modelO, 1, 3, number(aim.b));
    }
    modelC->setHeaderData(deltaEColumn, Qt::Horizontal, deltaEName());
    refreshDelta();
    resizeTables();
    listen(true);
}

QString CubeForm::deltaEName() const
{
    // As the main table's header names it.
    return metric_ == DeltaEMetric::CIE2000 ? tr("Delta E 2000") : tr("Delta E");
}

void CubeForm::refreshDelta()
{
    Lab delta = {0, 0, 0};
    double dE = 0;
    QString label, tip;
    switch (standing_) {
    case Standing::Measured:
        delta = {patch_.measured.L - patch_.reference.L, patch_.measured.a - patch_.reference.a,
                 patch_.measured.b - patch_.reference.b};
        dE = patch_.measuredDeltaE(metric_);
        label = tr("Delta measured");
        tip = tr("As measured: the measurement minus the reference. The patch is not corrected yet.");
        break;
    case Standing::Corrected:
        delta = patch_.remaining;
        dE = patch_.remainingDeltaE(metric_);
        label = tr("Delta after");
        tip = tr("After the correction: the predicted print minus the reference, as the main table's columns "
                 "after the correction give it");
        break;
    case Standing::TypedReference: {
        if (!corrector().hasDelta())
            return;
        delta = corrector().delta();
        // The print lands at the reference plus the remaining difference.
        const Lab& ref = corrector().reference();
        dE = metric_ == DeltaEMetric::CIE2000 ? deltaE2000(ref, {ref.L + delta.L, ref.a + delta.a, ref.b + delta.b})
                                              : corrector().deltaE();
        label = tr("Delta");
        tip = tr("The result minus the aim, at the reference typed into the AbsCol row");
        break;
    }
    }
    modelO->setHeaderData(3, Qt::Vertical, label);
    modelO->setHeaderData(3, Qt::Vertical, tip, Qt::ToolTipRole);
    setCell(modelO, 3, 0, number(dE));
    setCell(modelO, 3, 1, number(delta.L));
    setCell(modelO, 3, 2, number(delta.a));
    setCell(modelO, 3, 3, number(delta.b));
    ui->labelPatch->setText(caption());
}

QString CubeForm::caption() const
{
    QString standing;
    switch (standing_) {
    case Standing::Measured:
        standing = tr("Patch %1 (%2): %3 %4 as measured; not corrected yet.")
                       .arg(QString::fromStdString(patchId_), patchName_, deltaEName(),
                            number(patch_.measuredDeltaE(metric_)));
        break;
    case Standing::Corrected:
        standing = tr("Patch %1 (%2): %3 %4 after the correction, as predicted (%5 as measured).")
                       .arg(QString::fromStdString(patchId_), patchName_, deltaEName(),
                            number(patch_.remainingDeltaE(metric_)), number(patch_.measuredDeltaE(metric_)));
        break;
    case Standing::TypedReference:
        standing = tr("Patch %1 (%2), at the reference typed in: the Delta row is the result minus the aim.")
                       .arg(QString::fromStdString(patchId_), patchName_);
        break;
    }
    return standing + QLatin1Char(' ') +
           tr("The values below are the per-patch model's round trip through the tables as they are now.");
}

void CubeForm::resizeTables()
{
    for (QTableView* view : {ui->tableViewI, ui->tableViewC, ui->tableViewO}) {
        view->resizeRowsToContents();
        view->resizeColumnsToContents();
    }
    // The node table grows with the window; the two small ones keep their size.
    ui->tableViewC->setMinimumHeight(ui->tableViewC->horizontalHeader()->height() + 4 +
                                     ui->tableViewC->verticalHeader()->length());
    fitToContents(ui->tableViewO);
}

void CubeForm::report()
{
    emit changed(true);
    if (row_ >= 0 && corrector().hasDelta()) {
        const Lab& delta = corrector().delta();
        emit optimizedDelta(row_, delta.L, delta.a, delta.b);
    }
}

void CubeForm::nodesChanged()
{
    // The main window records this as the patch's result.
    if (corrector().hasDelta()) {
        patch_.hasResult = true;
        patch_.remaining = corrector().delta();
        standing_ = Standing::Corrected;
    }
    if (ui)
        refreshCube();
    report();
}

void CubeForm::on_pushButtonIterate_clicked(bool roundTrip)
{
    if (!edit_ || !edit_->iterate(roundTrip))
        return;
    nodesChanged();
}

void CubeForm::calculateA2BGradient(const uint16_t* dev, double** dlab_d, double gradstep)
{
    double gradient[csCLUTCube::maxOutputs][3];
    corrector().calculateA2BGradient(dev, gradient, gradstep);
    const unsigned n = edit_ ? edit_->deviceChannels() : 0;
    for (unsigned i = 0; i < n; ++i)
        for (int k = 0; k < 3; ++k)
            dlab_d[i][k] = gradient[i][k];
}

void CubeForm::verHeaderClicked(int)
{
}

void CubeForm::modelIDataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight)
{
    if (topLeft.row() > 0 || bottomRight.column() < 1 || topLeft.column() > 3)
        return;
    bool okL = false, okA = false, okB = false;
    const double L = modelI->data(modelI->index(0, 1)).toString().toDouble(&okL);
    const double a = modelI->data(modelI->index(0, 2)).toString().toDouble(&okA);
    const double b = modelI->data(modelI->index(0, 3)).toString().toDouble(&okB);
    if (!okL || !okA || !okB)
        return;
    if (!edit_ || !edit_->setReference({L, a, b}))
        return;
    standing_ = Standing::TypedReference;
    refreshInput();
}

void CubeForm::modelCDataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight)
{
    if (!edit_ || !edit_->usable() || bottomRight.column() < firstDevice || topLeft.column() > firstDevice + 3)
        return;
    const unsigned n = edit_->deviceChannels();
    std::vector<std::pair<int, std::array<uint16_t, PatchEdit::maxChannels>>> nodes;
    for (int r = topLeft.row(); r <= bottomRight.row() && r < nodeRows; ++r) {
        std::array<uint16_t, PatchEdit::maxChannels> values{};
        bool ok = true;
        for (unsigned k = 0; k < n && ok; ++k) {
            const QVariant cell = modelC->data(modelC->index(r, firstDevice + static_cast<int>(k)));
            ok = parseDevice(cell, values[k]);
        }
        if (ok)
            nodes.emplace_back(r, values);
    }
    // The session keeps the nodes as hand edits, one step.
    if (nodes.empty() || !edit_->setNodes(nodes))
        return;
    nodesChanged();
}
