#pragma once

#include <QWidget>
#include <array>
#include <vector>

class FXULog;
class QFrame;
class QGroupBox;
class QPlainTextEdit;
class TStringGrid;

// The "Machine information" page: the panels P0 to P10 sharing the page by fixed percentages, with the
// record's identification, statistics, parameters, options and the comment editor in them.
class TMachineInfoPage : public QWidget {
public:
    static constexpr int kPanels = 11;
    static const char* const kParametersCaption;
    static const char* const kGlobalOptionsCaption;
    static const char* const kZoneOptionsCaption;

    TMachineInfoPage(const FXULog& record, QWidget* parent);

    QFrame* panel(int index) const { return panels_.at(static_cast<std::size_t>(index)); }
    QGroupBox* commentGroupBox() const { return commentGroupBox_; }
    QPlainTextEdit* commentEditor() const { return commentEditor_; }
    TStringGrid* identificationGrid() const { return identification_; }
    TStringGrid* statisticsGrid() const { return statistics_; }
    TStringGrid* parameterGrid() const { return parameters_; }
    TStringGrid* globalOptionGrid() const { return globalOptions_; }
    TStringGrid* zoneOptionGrid() const { return zoneOptions_; }
    const std::vector<bool>& zoneOffFlags() const { return zoneOff_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildPanels();
    QGroupBox* addBox(int panel, const QString& caption);
    TStringGrid* addGrid(int panel, const QString& caption);
    void buildCommentBox();
    void buildParameterGrid();
    void buildOptionGrids();
    void layoutPanels();
    void setUpIdentification();
    void setUpStatistics();
    void setUpGlobalOptions();
    void setUpZoneOptions();

    const FXULog& record_;
    int zones_;
    std::array<QFrame*, kPanels> panels_{};
    QGroupBox* commentGroupBox_ = nullptr;
    QPlainTextEdit* commentEditor_ = nullptr;
    TStringGrid* identification_ = nullptr;
    TStringGrid* statistics_ = nullptr;
    TStringGrid* parameters_ = nullptr;
    TStringGrid* globalOptions_ = nullptr;
    TStringGrid* zoneOptions_ = nullptr;
    std::vector<bool> zoneOff_;
};
