#include "editors/riobt.h"

#include "core/catalogue.h"
#include "core/image.h"
#include "editors/dialogs.h"
#include "editors/shell.h"
#include "ui_rio_bt.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <algorithm>

namespace cvcfg {

using namespace block_transfer;

namespace {

constexpr std::array<const char*, kRacks> kOrdinals = {"1st", "2nd", "3rd", "4th",
                                                       "5th", "6th", "7th"};

QString wholeRackCaption(int rack, bool enabled) {
    return QStringLiteral("%1 All %2 Rack")
        .arg(enabled ? QStringLiteral("Clear") : QStringLiteral("Enable"))
        .arg(QString::fromLatin1(kOrdinals[static_cast<std::size_t>(rack - 1)]));
}

// Every cell of the map is as wide as its column head, so that the rows of
// the racks line up under the heads.
constexpr int kCellWidth = 34;
constexpr int kAddressWidth = 110;

} // namespace

RioBt::RioBt(Dialogs& dialogs)
    : QDialog(nullptr), m_dialogs(dialogs), m_record(dialogs.record()),
      m_ui(std::make_unique<Ui::rio_bt>()) {
    m_ui->setupUi(this);
    Ui::rio_bt& ui = *m_ui;
    m_ranges = {ui.optRIO1, ui.optRIO2, ui.optRIO3, ui.optRIO4, ui.optRIO5, ui.optRIO6, ui.optRIO7};
    for (int racks = 1; racks <= kRacks; ++racks) {
        m_ranges[static_cast<std::size_t>(racks - 1)]->onClick = [this, racks] {
            optRIO_Click(racks);
        };
    }
    buildRacks();
    connect(ui.cmdAccept, &QPushButton::clicked, this, &RioBt::accept);
    connect(ui.cmdCancel, &QPushButton::clicked, this, &RioBt::cmdCancel_Click);
    withoutDefaultButton(this);
    showRecord();
}

RioBt::~RioBt() = default;

// The heads and the seven rack frames with their 112 boxes, named chk<rack>
// <group><module> as the map's bits are.
void RioBt::buildRacks() {
    QVBoxLayout* racks = m_ui->racksLayout;
    auto* heads = new QWidget(this);
    auto* headRow = new QHBoxLayout(heads);
    headRow->setContentsMargins(0, 0, 0, 0);
    headRow->addSpacing(kAddressWidth + headRow->spacing());
    for (int column = 0; column < kGroups * kModules; ++column) {
        auto* head = new QLabel(
            QStringLiteral("%1/%2").arg(column / kModules).arg(column % kModules), heads);
        head->setObjectName(QStringLiteral("Label%1").arg(9 + column));
        head->setFixedWidth(kCellWidth);
        head->setAlignment(Qt::AlignCenter);
        headRow->addWidget(head);
        m_heads[static_cast<std::size_t>(column)] = head;
    }
    headRow->addStretch();
    racks->addWidget(heads);

    for (int rack = 1; rack <= kRacks; ++rack) {
        const auto r = static_cast<std::size_t>(rack - 1);
        auto* frame = new QWidget(this);
        frame->setObjectName(QStringLiteral("frmRack%1").arg(rack));
        auto* row = new QHBoxLayout(frame);
        row->setContentsMargins(0, 0, 0, 0);
        auto* address = new QLabel(frame);
        address->setObjectName(QStringLiteral("lblRack%1").arg(rack));
        address->setFixedWidth(kAddressWidth);
        row->addWidget(address);
        for (int group = 0; group < kGroups; ++group) {
            for (int module = 0; module < kModules; ++module) {
                auto* box = new CheckBox(frame);
                box->setObjectName(QStringLiteral("chk%1%2%3").arg(rack).arg(group).arg(module));
                box->setFixedWidth(kCellWidth);
                box->onClick = [this, rack, group, module] {
                    chk_Click(rack, group, module);
                };
                row->addWidget(box);
                m_boxes[r][static_cast<std::size_t>(group)][static_cast<std::size_t>(module)] = box;
            }
        }
        auto* whole = new CheckBox(frame);
        whole->setObjectName(QStringLiteral("Check%1").arg(rack));
        whole->onClick = [this, rack] {
            Check_Click(rack);
        };
        row->addWidget(whole);
        row->addStretch();
        racks->addWidget(frame);
        m_frames[r] = frame;
        m_addresses[r] = address;
        m_wholeRacks[r] = whole;
    }
}

void RioBt::showRecord() {
    const int racks = charCode(m_record.HighAddress).value_or(0);
    const bool inRange = racks >= 1 && racks <= kRacks;
    for (int option = 1; option <= kRacks; ++option) {
        showChecked(m_ranges[static_cast<std::size_t>(option - 1)], option == racks);
    }
    const int first = charCode(m_record.StationNo).value_or(0);
    for (int rack = 1; rack <= kRacks; ++rack) {
        const auto r = static_cast<std::size_t>(rack - 1);
        m_frames[r]->setVisible(inRange && rack <= racks);
        m_addresses[r]->setText(QStringLiteral("Rack Addr ") +
                                QString::fromStdString(octalText(first + rack - 1)));
        bool whole = true;
        for (int group = 0; group < kGroups; ++group) {
            for (int module = 0; module < kModules; ++module) {
                const bool set = (m_record.ExtParams[entry(rack, group)] &
                                  block_transfer::mask(group, module)) != 0;
                CheckBox* box =
                    m_boxes[r][static_cast<std::size_t>(group)][static_cast<std::size_t>(module)];
                showChecked(box, set);
                // Named by its row's address and its column's head, as the
                // operator reads the map: "Rack Addr 10 2/1".
                const int head = group * kModules + module;
                box->setAccessibleName(QStringLiteral("%1 %2").arg(
                    m_addresses[r]->text(), m_heads[static_cast<std::size_t>(head)]->text()));
                whole = whole && set;
            }
        }
        showChecked(m_wholeRacks[r], whole);
        m_wholeRacks[r]->setText(wholeRackCaption(rack, whole));
    }
    // The card's image carries racks 1 to 4 only.
    m_ui->lblNotDownloaded->setVisible(inRange && imageExtParamCount(m_record.ConfigLength) <
                                                      kEntriesPerRack * racks);
}

void RioBt::prepare() {
    std::copy_n(m_record.ExtParams.begin(), m_held.size(), m_held.begin());
    m_heldRange = m_record.HighAddress;
    showRecord();
}

void RioBt::optRIO_Click(int racks) {
    takeRackRange(m_record, racks);
    showRecord();
    // The opening editor shows the range too.
    m_dialogs.showEditorRecord();
}

void RioBt::Check_Click(int rack) {
    const int32_t bits =
        m_wholeRacks[static_cast<std::size_t>(rack - 1)]->isChecked() ? kWholeEntry : 0;
    auto* const first = m_record.ExtParams.begin() + static_cast<std::ptrdiff_t>(entry(rack, 0));
    std::fill(first, first + kEntriesPerRack, bits);
    showRecord();
}

void RioBt::chk_Click(int rack, int group, int module) {
    int32_t& bits = m_record.ExtParams[entry(rack, group)];
    const bool checked = m_boxes[static_cast<std::size_t>(rack - 1)]
                                [static_cast<std::size_t>(group)][static_cast<std::size_t>(module)]
                                    ->isChecked();
    bits = checked ? SetBits(bits, block_transfer::mask(group, module))
                   : ClearBits(bits, block_transfer::mask(group, module));
    showRecord();
}

void RioBt::accept() {
    hide();
    m_dialogs.shell().showModelEditor();
}

// The range and the entries go back to what they were at set-up together: a
// range that had cleared racks must not stay with their bits restored, nor
// the bits of a wider range come back under a narrower one. The dialog goes;
// its next use builds it afresh.
void RioBt::cmdCancel_Click() {
    std::copy(m_held.begin(), m_held.end(), m_record.ExtParams.begin());
    m_record.HighAddress = m_heldRange;
    m_dialogs.showEditorRecord();
    hide();
    m_dialogs.shell().showModelEditor();
    m_dialogs.unloadRioBt();
}

void RioBt::closeEvent(QCloseEvent* event) {
    event->ignore();
    accept();
}

} // namespace cvcfg
