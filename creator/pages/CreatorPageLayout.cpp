#include "creator/pages/CreatorPageLayout.h"

#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QScrollArea>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include "creator/pages/CreatorTables.h"

namespace varnok {
namespace {

QString Latin(const char* text) {
    return QLatin1String(text);
}

QCheckBox* MakeBox(QWidget* parent, const QString& name, const QString& caption,
                   const QString& role) {
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(name);
    // The caption alone ("60Hz") is ambiguous to a screen reader: the row says what it rates.
    if (!role.isEmpty()) box->setAccessibleDescription(role);
    return box;
}

QCheckBox* MakeBox(QWidget* parent, const BoxRow& row, const QString& role) {
    return MakeBox(parent, ControlName(row), Latin(row.caption), role);
}

QLabel* MakeLabel(QWidget* parent, const QString& text) {
    auto* label = new QLabel(text, parent);
    return label;
}

// An edit with its initial text and its caption label as buddy.
QLineEdit* MakeEdit(QWidget* parent, const EditRow& row, QLabel* caption, int width = 0) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(Latin(row.name));
    edit->setText(Latin(row.initialText));
    if (width > 0) edit->setFixedWidth(width);
    caption->setBuddy(edit);
    return edit;
}

const EditRow& EditByName(const char* name) {
    for (const auto& row : kCreatorEdits) {
        if (QLatin1String(row.name) == QLatin1String(name)) return row;
    }
    Q_UNREACHABLE();
}

// A caption label whose lines (rows) or words (columns) stand centred beside or above the
// cells of a grid, so that one label names every row or column of the speaker grid.
class GridCaptionLabel : public QLabel {
public:
    GridCaptionLabel(const QString& text, QWidget* parent, QGridLayout* grid, Qt::Orientation o,
                     int firstRow, int firstColumn)
        : QLabel(text, parent),
          grid_(grid),
          orientation_(o),
          firstRow_(firstRow),
          firstColumn_(firstColumn) {}

    QSize sizeHint() const override {
        const QFontMetrics fm = fontMetrics();
        int w = 0;
        for (const auto& part : parts()) w = std::max(w, fm.horizontalAdvance(part));
        if (orientation_ == Qt::Vertical) return {w + 6, fm.height()};
        return {w, fm.height() + 2};
    }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setPen(palette().color(foregroundRole()));
        painter.setFont(font());
        const QStringList items = parts();
        for (int i = 0; i < items.size(); ++i) {
            const int row = orientation_ == Qt::Vertical ? firstRow_ + i : firstRow_;
            const int column = orientation_ == Qt::Vertical ? firstColumn_ : firstColumn_ + i;
            QRect cell = grid_->cellRect(row, column);
            if (!cell.isValid()) continue;
            cell.translate(-pos());
            QRect target = orientation_ == Qt::Vertical
                               ? QRect(0, cell.top(), width(), cell.height())
                               : QRect(cell.left(), 0, cell.width(), height());
            const Qt::Alignment align =
                orientation_ == Qt::Vertical ? (Qt::AlignLeft | Qt::AlignVCenter) : Qt::AlignCenter;
            painter.drawText(target, int(align), items[i]);
        }
    }

private:
    QStringList parts() const {
        return orientation_ == Qt::Vertical ? text().split(u'\n')
                                            : text().split(u' ', Qt::SkipEmptyParts);
    }

    QGridLayout* grid_;
    Qt::Orientation orientation_;
    int firstRow_;
    int firstColumn_;
};

QWidget* NewPage(QTabWidget* tabs, int index) {
    auto* page = new QWidget;
    page->setObjectName(Latin(kCreatorSubPages[index].name));
    tabs->addTab(page, Latin(kCreatorSubPages[index].caption));
    return page;
}

QGridLayout* PageGrid(QWidget* page) {
    auto* grid = new QGridLayout(page);
    grid->setContentsMargins(8, 6, 8, 6);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(3);
    return grid;
}

// A grid of row captions (column 0) and numbered boxes (columns 1 and on).
template <std::size_t N>
void PlaceBoxes(QWidget* parent, QGridLayout* grid, const std::array<BoxRow, N>& rows,
                const QStringList& rowCaptions, int rowOffset = 0, int columnOffset = 1) {
    for (const BoxRow& row : rows) {
        const QString role = row.row < rowCaptions.size() ? rowCaptions[row.row] : QString();
        grid->addWidget(MakeBox(parent, row, role), row.row + rowOffset, row.column + columnOffset);
    }
}

template <std::size_t N>
QStringList Captions(const std::array<const char*, N>& captions) {
    QStringList list;
    for (const char* c : captions) list << Latin(c);
    return list;
}

void PlaceRowCaptions(QWidget* parent, QGridLayout* grid, const QStringList& captions,
                      int rowOffset = 0) {
    for (int r = 0; r < captions.size(); ++r) {
        if (!captions[r].isEmpty())
            grid->addWidget(MakeLabel(parent, captions[r]), r + rowOffset, 0);
    }
}

void BuildDescriptorPage(QWidget* page) {
    auto* grid = PageGrid(page);
    grid->setVerticalSpacing(8);
    int r = 0;
    for (const EditRow& row : kDescriptorEdits) {
        auto* caption = MakeLabel(page, Latin(row.caption));
        caption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        grid->addWidget(caption, r, 0);
        grid->addWidget(MakeEdit(page, row, caption, 150), r, 1);
        ++r;
    }
    grid->setRowStretch(r, 1);
    grid->setColumnStretch(2, 1);
}

void BuildPcTimingPage(QWidget* page) {
    auto* grid = PageGrid(page);
    const QStringList rows = Captions(kPcTimingRowCaptions);
    PlaceRowCaptions(page, grid, rows);
    PlaceBoxes(page, grid, kEstablishTimingBoxes, rows);
    PlaceBoxes(page, grid, kStandardTimingBoxes, rows);
    grid->setRowStretch(int(rows.size()), 1);
    grid->setColumnStretch(5, 1);
}

void BuildVideoPage(QWidget* page) {
    auto* grid = PageGrid(page);
    const QStringList rows = Captions(kVideoRowCaptions);
    PlaceRowCaptions(page, grid, rows);
    PlaceBoxes(page, grid, kVideoIdCodeBoxes, rows);
    // The 4K(3G) row's 50 and 60 Hz are the YCbCr 4:2:0 forms of VICs 96 and 97.
    QStringList yuvRoles = rows;
    yuvRoles[8] = QStringLiteral("4K(3G) YCbCr 4:2:0");
    PlaceBoxes(page, grid, kYuv420VdbBoxes, yuvRoles);
    grid->setRowStretch(int(rows.size()), 1);
    grid->setColumnStretch(6, 1);
}

QGroupBox* BuildSpeakerGroup(QWidget* page) {
    auto* group = new QGroupBox(QStringLiteral("Speaker Placement"), page);
    group->setObjectName(QStringLiteral("GroupBox6"));
    auto* grid = new QGridLayout(group);
    grid->setContentsMargins(8, 4, 8, 6);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(1);
    const QString role = QStringLiteral("Speaker Placement");
    for (const BoxRow& row : kSpeakerBoxes) {
        grid->addWidget(MakeBox(group, row, role), row.row + 1, row.column + 1);
    }
    for (const BoxRow& row : kSpeakerPartnerBoxes) {
        grid->addWidget(MakeBox(group, row, role), row.row + 1, row.column + 1);
    }
    QStringList columns = Captions(kSpeakerColumnCaptions);
    auto* label5 = new GridCaptionLabel(columns.join(u' '), group, grid, Qt::Horizontal, 0, 1);
    label5->setObjectName(QStringLiteral("Label5"));
    grid->addWidget(label5, 0, 1, 1, 5);
    auto* label6 =
        new GridCaptionLabel(Latin(kSpeakerLabel6Caption), group, grid, Qt::Vertical, 1, 0);
    label6->setObjectName(QStringLiteral("Label6"));
    grid->addWidget(label6, 1, 0, 5, 1);
    for (int c = 1; c <= 5; ++c) grid->setColumnStretch(c, 1);
    return group;
}

QGroupBox* BuildLpcmGroup(QWidget* page) {
    auto* group = new QGroupBox(QStringLiteral("L-PCM"), page);
    group->setObjectName(QStringLiteral("GroupBox7"));
    auto* grid = new QGridLayout(group);
    grid->setContentsMargins(8, 4, 8, 6);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(2);

    auto* maxCaption = MakeLabel(group, QStringLiteral("MaxCH"));
    grid->addWidget(maxCaption, 0, 0);
    auto* maxCh = MakeEdit(group, EditByName(kLpcmMaxChEdit), maxCaption, 36);
    maxCh->setAccessibleDescription(QStringLiteral("L-PCM"));
    grid->addWidget(maxCh, 0, 1);
    const QString role = QStringLiteral("L-PCM");
    grid->addWidget(MakeBox(group, ControlName(kAudioFormatPrefix, kLpcmBasicBox),
                            QStringLiteral("Basic"), QStringLiteral("L-PCM 2 channels")),
                    0, 2);
    // The multichannel descriptor follows MaxCH; its box exists for the record but never shows.
    auto* multi = MakeBox(group, ControlName(kAudioFormatPrefix, kLpcmMultiBox),
                          QStringLiteral("Multi"), role);
    multi->hide();

    grid->addWidget(MakeLabel(group, QStringLiteral("Sample Bit")), 1, 0);
    for (const BoxRow& row : kLpcmSampleBitBoxes) {
        grid->addWidget(MakeBox(group, row, QStringLiteral("L-PCM sample bit")), 1, row.column + 1);
    }
    grid->addWidget(MakeLabel(group, QStringLiteral("Sample Freq")), 2, 0);
    for (const RateRow& rate : kRateBoxes) {
        const int k = rate.number - 1;
        grid->addWidget(MakeBox(group, ControlName(kLpcmFreqPrefix, rate.number),
                                Latin(rate.caption), QStringLiteral("L-PCM sample freq")),
                        2 + k / 4, 1 + k % 4);
    }
    grid->setColumnStretch(5, 1);
    return group;
}

void BuildAudio1Page(QWidget* page) {
    auto* box = new QVBoxLayout(page);
    box->setContentsMargins(6, 4, 6, 4);
    box->setSpacing(4);
    box->addWidget(BuildSpeakerGroup(page));
    box->addWidget(BuildLpcmGroup(page));
    box->addStretch(1);
}

// A detail panel: a first row that always shows and a detail part that shows when expanded.
struct DetailPanel {
    QFrame* panel;
    QHBoxLayout* firstRow;
    QWidget* details;
};

DetailPanel MakeDetailPanel(QWidget* parent, const char* name, const QString& caption) {
    auto* panel = new QFrame(parent);
    panel->setObjectName(Latin(name));
    panel->setFrameShape(QFrame::StyledPanel);
    panel->setFixedHeight(kPanelCollapsedHeight);
    auto* column = new QVBoxLayout(panel);
    column->setContentsMargins(4, 0, 4, 2);
    column->setSpacing(0);
    auto* head = new QWidget(panel);
    head->setFixedHeight(kPanelCollapsedHeight - 2);
    auto* row = new QHBoxLayout(head);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(10);
    auto* title = MakeLabel(head, caption);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    title->setMinimumWidth(title->fontMetrics().horizontalAdvance(QStringLiteral("One Bit Audio")) +
                           14);
    row->addWidget(title);
    column->addWidget(head);
    auto* details = new QWidget(panel);
    details->setObjectName(Latin(name) + QStringLiteral("_Details"));
    details->hide();
    column->addWidget(details);
    column->addStretch(1);
    return {panel, row, details};
}

QFrame* BuildFormatPanel(QWidget* parent, const AudioPanelRow& format) {
    const QString caption = Latin(format.caption);
    DetailPanel p = MakeDetailPanel(parent, format.panel, caption);
    p.firstRow->addWidget(MakeBox(p.panel, ControlName(kAudioFormatPrefix, format.yesBox),
                                  QStringLiteral("Yes"), caption));
    p.firstRow->addWidget(
        MakeBox(p.panel, Latin(format.detailBox), QStringLiteral("For Detail"), caption));
    p.firstRow->addStretch(1);

    auto* grid = new QGridLayout(p.details);
    grid->setContentsMargins(0, 2, 0, 0);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(1);
    auto* maxCaption = MakeLabel(p.details, QStringLiteral("MaxCH"));
    grid->addWidget(maxCaption, 0, 0);
    auto* maxCh = MakeEdit(p.details, EditByName(format.maxChEdit), maxCaption, 36);
    maxCh->setAccessibleDescription(caption);
    grid->addWidget(maxCh, 0, 1, Qt::AlignLeft);
    if (format.bitRateEdit) {
        auto* rateCaption = MakeLabel(p.details, QStringLiteral("BitRate"));
        rateCaption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        grid->addWidget(rateCaption, 0, 2);
        auto* bitRate = MakeEdit(p.details, EditByName(format.bitRateEdit), rateCaption, 56);
        bitRate->setAccessibleDescription(caption);
        grid->addWidget(bitRate, 0, 3, Qt::AlignLeft);
        auto* unit = MakeLabel(p.details, QStringLiteral("KHz"));
        unit->setAccessibleDescription(QStringLiteral("BitRate unit"));
        grid->addWidget(unit, 0, 4);
    }
    for (const RateRow& rate : kRateBoxes) {
        const int k = rate.number - 1;
        grid->addWidget(MakeBox(p.details, ControlName(format.freqPrefix, rate.number),
                                Latin(rate.caption), caption),
                        1 + k / 4, 1 + k % 4);
    }
    grid->setColumnStretch(5, 1);
    return p.panel;
}

void BuildAudio2Page(QWidget* page) {
    auto* box = new QVBoxLayout(page);
    box->setContentsMargins(0, 0, 0, 0);
    auto* scroll = new QScrollArea(page);
    scroll->setObjectName(Latin(kScrollBox));
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setFocusPolicy(Qt::StrongFocus);
    auto* content = new QWidget;
    content->setObjectName(QStringLiteral("ScrollBox1Content"));
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(4, 4, 4, 4);
    column->setSpacing(3);
    for (const AudioPanelRow& format : kAudioPanels)
        column->addWidget(BuildFormatPanel(content, format));
    column->addStretch(1);
    scroll->setWidget(content);
    box->addWidget(scroll);
}

QFrame* BuildHdrPanel(QWidget* parent) {
    DetailPanel p = MakeDetailPanel(parent, kHdrPanel, Latin(kHdrRowCaption));
    const QString role = QStringLiteral("HDR YCbCr 4:2:0 deep colour");
    for (const BoxRow& row : kHdrDeepColorBoxes) p.firstRow->addWidget(MakeBox(p.panel, row, role));
    p.firstRow->addStretch(1);
    p.firstRow->addWidget(MakeBox(p.panel, Latin(kHdrDetailBox), QStringLiteral("For Detail"),
                                  QStringLiteral("HDR")));

    auto* grid = new QGridLayout(p.details);
    grid->setContentsMargins(0, 4, 0, 0);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(1);
    grid->addWidget(MakeLabel(p.details, QStringLiteral("EOTFs")), 0, 0);
    for (const BoxRow& row : kHdrEotfBoxes) {
        grid->addWidget(MakeBox(p.details, row, QStringLiteral("HDR EOTF")), row.row + 1, 0);
    }
    grid->addWidget(MakeLabel(p.details, QStringLiteral("Descriptor")), 0, 1);
    for (const BoxRow& row : kHdrDescriptorBoxes) {
        grid->addWidget(MakeBox(p.details, row, QStringLiteral("HDR static metadata descriptor")),
                        row.row + 1, 1);
    }
    auto* dcld = MakeLabel(p.details, QStringLiteral("Desired Content Luminance Data"));
    dcld->setWordWrap(true);
    grid->addWidget(dcld, 0, 2, 1, 2);
    int r = 1;
    for (const EditRow& row : kLuminanceEdits) {
        auto* caption = MakeLabel(p.details, Latin(row.caption));
        grid->addWidget(caption, r, 2);
        auto* edit = MakeEdit(p.details, row, caption, 48);
        edit->setAccessibleDescription(QStringLiteral("Desired Content Luminance Data"));
        grid->addWidget(edit, r, 3, Qt::AlignLeft);
        ++r;
    }
    grid->setColumnStretch(4, 1);
    return p.panel;
}

void BuildColorSpacePage(QWidget* page) {
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(8, 6, 8, 6);
    column->setSpacing(6);
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(3);
    QStringList rows = Captions(kColorRowCaptions);
    PlaceRowCaptions(page, grid, rows);
    PlaceBoxes(page, grid, kColorSpaceBoxes, rows);
    PlaceBoxes(page, grid, kColorDepthBoxes, rows);
    QStringList colorimetryRoles = rows;
    colorimetryRoles[3] = colorimetryRoles[2];
    PlaceBoxes(page, grid, kColorimetryBoxes, colorimetryRoles);
    grid->setColumnStretch(4, 1);
    column->addLayout(grid);
    column->addWidget(BuildHdrPanel(page));
    column->addStretch(1);
}

void BuildOthersPage(QWidget* page) {
    auto* grid = PageGrid(page);
    grid->setVerticalSpacing(8);
    grid->addWidget(MakeLabel(page, QStringLiteral("3D")), 0, 0);
    grid->addWidget(
        MakeBox(page, Latin(k3dPresentBox), QStringLiteral("Yes"), QStringLiteral("3D")), 0, 1);
    auto* caption = MakeLabel(page, Latin(kCecAddressRow.caption));
    grid->addWidget(caption, 1, 0);
    auto* cec = MakeEdit(page, kCecAddressRow, caption, 60);
    cec->setAccessibleDescription(QStringLiteral("Physical address A.B.C.D in hexadecimal"));
    grid->addWidget(cec, 1, 1);
    grid->setRowStretch(2, 1);
    grid->setColumnStretch(2, 1);
}

}  // namespace

void BuildCreatorSubPages(QTabWidget* pageControl2) {
    using Builder = void (*)(QWidget*);
    const Builder builders[] = {BuildDescriptorPage, BuildPcTimingPage, BuildVideoPage,
                                BuildAudio1Page,     BuildAudio2Page,   BuildColorSpacePage,
                                BuildOthersPage};
    for (int i = 0; i < int(kCreatorSubPages.size()); ++i) builders[i](NewPage(pageControl2, i));
    pageControl2->setCurrentIndex(0);
    // Seven captions share the width of the page control: a tight tab padding keeps every tab
    // in view instead of behind scroll arrows.
    pageControl2->tabBar()->setStyleSheet(QStringLiteral("QTabBar::tab { padding: 3px 4px; }"));
}

}  // namespace varnok
