#include "cubeform.h"

#include "ui_cubeform.h"

#include "MyRCItemModel.h"
#include "csICCLutInterpolator.h"
#include "csICCProfileConverter.h"

#include <QColor>
#include <QHeaderView>
#include <QPushButton>
#include <QShortcut>

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
}

void CubeForm::setPatchCaption(const QString& text)
{
    caption_ = text;
    if (ui)
        ui->labelPatch->setText(text);
}

CubeForm::~CubeForm() = default;

void CubeForm::ensureBuilt()
{
    if (ui)
        return;
    ui = std::make_unique<Ui::CubeForm>();
    ui->setupUi(this);
    resize(800, 600);
    ui->labelPatch->setText(caption_);
    connect(ui->pushButtonUndo, &QPushButton::clicked, this, &CubeForm::undoRequested);
    buildModels();
    nameDeviceColumns();
    on_checkBoxShowHex_toggled(ui->checkBoxShowHex->isChecked());
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

    const char* inputColumns[] = {"Ref", "L*", "a*", "b*"};
    const char* inputRows[][2] = {
        {"AbsCol", "Absolute reference color"},
        {"RelCol", "Reference color relative to the output media white point"},
        {"PreInput", "Reference converted to the required CLUT encoding, ready for input LUTs"},
        {"PreCLUT", "Reference ready for CLUT lookup, after the input LUTs have been applied"},
    };
    for (int c = 0; c < 4; ++c)
        modelI->setHeaderData(c, Qt::Horizontal, tr(inputColumns[c]));
    for (int r = 0; r < 4; ++r) {
        modelI->setHeaderData(r, Qt::Vertical, tr(inputRows[r][0]));
        modelI->setHeaderData(r, Qt::Vertical, tr(inputRows[r][1]), Qt::ToolTipRole);
    }
    modelI->columnEditable[0] = false;
    for (int r = 1; r < 4; ++r)
        modelI->rowEditable[static_cast<std::size_t>(r)] = false;

    const char* cubeColumns[] = {"L*",   "a*",   "b*",   "Weight", "Dev0", "Dev1", "Dev2", "Dev3", "Out0",
                                 "Out1", "Out2", "Out3", "L*",     "a*",   "b*",   "OOG",  "Delta E"};
    for (int c = 0; c < 17; ++c)
        modelC->setHeaderData(c, Qt::Horizontal, tr(cubeColumns[c]));
    for (int r = 0; r < nodeRows; ++r)
        modelC->setHeaderData(r, Qt::Vertical,
                              tr("One of the eight CLUT cube points which surround the reference color"),
                              Qt::ToolTipRole);
    modelC->setHeaderData(resultRow, Qt::Vertical, tr("Result"));
    modelC->setHeaderData(resultRow, Qt::Vertical, tr("Trilinear CLUT interpolation result"), Qt::ToolTipRole);
    for (int c = 0; c < 17; ++c)
        modelC->columnEditable[static_cast<std::size_t>(c)] = c >= firstDevice && c < firstOutput;
    modelC->rowEditable[resultRow] = false;

    const char* offsetColumns[] = {"Out", "L*", "a*", "b*"};
    const char* offsetRows[][2] = {
        {"Offset", "Offset between reference and initial round-trip error"},
        {"Aim", "Needed CLUT aim value (Reference - Offset)"},
        {"Result", "Trilinear CLUT interpolation result"},
        {"Delta", "Remaining difference to aim value"},
    };
    for (int c = 0; c < 4; ++c)
        modelO->setHeaderData(c, Qt::Horizontal, tr(offsetColumns[c]));
    for (int r = 0; r < 4; ++r) {
        modelO->setHeaderData(r, Qt::Vertical, tr(offsetRows[r][0]));
        modelO->setHeaderData(r, Qt::Vertical, tr(offsetRows[r][1]), Qt::ToolTipRole);
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

void CubeForm::setConverters(csICCProfileConverter* a2b1, csICCProfileConverter* b2a1)
{
    a2b1_ = a2b1;
    b2a1_ = b2a1;
    corrector_.setConverters(b2a1, a2b1);
    if (ui) {
        nameDeviceColumns();
        on_checkBoxShowHex_toggled(ui->checkBoxShowHex->isChecked());
    }
}

void CubeForm::nameDeviceColumns()
{
    if (!ui || !a2b1_)
        return;
    const bool fourChannels = a2b1_->numInputChannels() >= 4;
    ui->tableViewC->setColumnHidden(firstDevice + 3, !fourChannels);
    ui->tableViewC->setColumnHidden(firstOutput + 3, !fourChannels);
    const csSignature space = *a2b1_->inputSpace();
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
        modelC->setHeaderData(firstDevice + i, Qt::Horizontal, letters[i]);
        modelC->setHeaderData(firstOutput + i, Qt::Horizontal,
                              generic ? QStringLiteral("Out%1").arg(i) : tr("Out ") + letters[i]);
    }
}

void CubeForm::setPatch(double refL, double refA, double refB, double measL, double measA, double measB,
                        double threshold)
{
    corrector_.setPatch({refL, refA, refB}, {measL, measA, measB}, threshold);
    if (ui)
        refreshInput();
}

void CubeForm::setMetric(DeltaEMetric metric)
{
    metric_ = metric;
    if (ui)
        refreshCube();
}

std::vector<std::array<uint16_t, 3>> CubeForm::cubeNodes() const
{
    std::vector<std::array<uint16_t, 3>> nodes;
    const csCLUTCube* cube = corrector_.cube();
    if (!cube || !cube->usable())
        return nodes;
    for (int c = 0; c < csCLUTCube::corners; ++c) {
        std::array<uint16_t, 3> node;
        cube->cornerIndices(c, node.data());
        nodes.push_back(node);
    }
    return nodes;
}

void CubeForm::on_checkBoxShowHex_toggled(bool checked)
{
    if (checked)
        mode_ = Hexadecimal;
    else if (b2a1_ && *b2a1_->outputSpace() == csSig("RGB "))
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
    const Lab& reference = corrector_.reference();
    const csCLUTCube* cube = corrector_.cube();
    modelI->setData(modelI->index(0, 1), reference.L);
    modelI->setData(modelI->index(0, 2), reference.a);
    modelI->setData(modelI->index(0, 3), reference.b);
    for (int c = 1; c < 4; ++c)
        modelI->setData(modelI->index(0, c), QVariant::fromValue(numberAlignment), Qt::TextAlignmentRole);
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
    QTableView* view = ui->tableViewI;
    view->setFixedSize(view->verticalHeader()->width() + view->horizontalHeader()->length(),
                       view->horizontalHeader()->height() + view->verticalHeader()->length());
    refreshCube();
    listen(true);
}

void CubeForm::refreshCube()
{
    listen(false);
    csCLUTCube* cube = corrector_.cube();
    const Lab& offset = corrector_.offset();
    setCell(modelO, 0, 1, QString::asprintf("%.2f", offset.L));
    setCell(modelO, 0, 2, QString::asprintf("%.2f", offset.a));
    setCell(modelO, 0, 3, QString::asprintf("%.2f", offset.b));
    if (cube && cube->usable() && b2a1_ && a2b1_) {
        const unsigned n = b2a1_->numOutputChannels();
        for (int c = 0; c < nodeRows; ++c) {
            uint16_t indices[3];
            cube->cornerIndices(c, indices);
            modelC->setHeaderData(c, Qt::Vertical, QString::asprintf("%2d %2d %2d", indices[0], indices[1], indices[2]));
            uint16_t device[csCLUTCube::maxOutputs] = {};
            cube->nodes().get(indices, device);
            uint16_t output[csCLUTCube::maxOutputs];
            std::copy(device, device + csCLUTCube::maxOutputs, output);
            cube->interpolator()->afterClut(output, 1);
            uint16_t converted[csCLUTCube::maxOutputs];
            std::copy(output, output + csCLUTCube::maxOutputs, converted);
            uint16_t actual[3];
            a2b1_->convert(converted, actual, 1);
            const Lab16 nominal = cube->nodeLab(indices[0], indices[1], indices[2]);
            setLab(modelC, c, 0, nominal);
            setCell(modelC, c, 3, QString::asprintf("%.2f%%", cube->weight()[c] * 100));
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
            setCell(modelC, resultRow, firstDevice + static_cast<int>(k), deviceText(corrector_.clutResult()[k]));
            setCell(modelC, resultRow, firstOutput + static_cast<int>(k), deviceText(corrector_.deviceResult()[k]));
        }
        const Lab& result = corrector_.result();
        for (int k = 0; k < 3; ++k) {
            const double v = k == 0 ? result.L : k == 1 ? result.a : result.b;
            setCell(modelC, resultRow, actualL + k, number(v));
            setCell(modelO, 2, k + 1, number(v));
        }
    }
    if (corrector_.hasAim()) {
        const Lab& aim = corrector_.aim();
        setCell(modelO, 1, 1, number(aim.L));
        setCell(modelO, 1, 2, number(aim.a));
        setCell(modelO, 1, 3, number(aim.b));
    }
    if (corrector_.hasDelta()) {
        const Lab& delta = corrector_.delta();
        // The print lands at the reference plus the remaining difference.
        const Lab& ref = corrector_.reference();
        const double dE = metric_ == DeltaEMetric::CIE2000
                              ? deltaE2000(ref, {ref.L + delta.L, ref.a + delta.a, ref.b + delta.b})
                              : corrector_.deltaE();
        setCell(modelO, 3, 0, QString::asprintf("%.2f", dE));
        setCell(modelO, 3, 1, QString::asprintf("%.2f", delta.L));
        setCell(modelO, 3, 2, QString::asprintf("%.2f", delta.a));
        setCell(modelO, 3, 3, QString::asprintf("%.2f", delta.b));
    }
    resizeTables();
    listen(true);
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
    QTableView* offset = ui->tableViewO;
    offset->setFixedSize(offset->verticalHeader()->width() + offset->horizontalHeader()->length(),
                         offset->horizontalHeader()->height() + offset->verticalHeader()->length());
}

void CubeForm::report()
{
    emit changed(true);
    if (row_ >= 0 && corrector_.hasDelta()) {
        const Lab& delta = corrector_.delta();
        emit optimizedDelta(row_, delta.L, delta.a, delta.b);
    }
}

void CubeForm::on_pushButtonIterate_clicked(bool roundTrip)
{
    if (corrector_.iterate(roundTrip) < 0)
        return;
    if (ui)
        refreshCube();
    report();
}

void CubeForm::calculateA2BGradient(const uint16_t* dev, double** dlab_d, double gradstep)
{
    double gradient[csCLUTCube::maxOutputs][3];
    corrector_.calculateA2BGradient(dev, gradient, gradstep);
    const unsigned n = a2b1_ ? a2b1_->numInputChannels() : 0;
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
    if (corrector_.setReference({L, a, b}))
        refreshInput();
}

void CubeForm::modelCDataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight)
{
    csCLUTCube* cube = corrector_.cube();
    if (!cube || !cube->usable() || bottomRight.column() < firstDevice || topLeft.column() > firstDevice + 3)
        return;
    const unsigned n = b2a1_->numOutputChannels();
    bool written = false;
    for (int r = topLeft.row(); r <= bottomRight.row() && r < nodeRows; ++r) {
        uint16_t values[csCLUTCube::maxOutputs] = {};
        bool ok = true;
        for (unsigned k = 0; k < n && ok; ++k) {
            const QVariant cell = modelC->data(modelC->index(r, firstDevice + static_cast<int>(k)));
            ok = parseDevice(cell, values[k]);
        }
        if (!ok)
            continue;
        uint16_t indices[3];
        cube->cornerIndices(r, indices);
        cube->nodes().set(indices, values);
        written = true;
    }
    if (!written)
        return;
    corrector_.refresh();
    refreshCube();
    report();
}
