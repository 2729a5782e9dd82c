// The display in the editor's header: an amber panel showing the current
// program's number and name, or, while the player moves a control, that
// parameter's name with its value and unit (the program then stays in the
// small print at the top right).
//
// A passive view: the editor hands it the texts from its idle calls and it
// only draws them. UI thread only; set* allocate only when a text grows.
#pragma once

#include <cstdint>
#include <string>

#include "gui/CView.h"

class ProgramDisplay : public VSTGUI::CView {
public:
    explicit ProgramDisplay(const VSTGUI::CRect& size);

    // The current program: number as the player counts (1..120) and name.
    void setProgram(int32_t number, const std::string& name);
    // Shows the program (the texts only change when something differs).
    void showProgram();
    // Shows a parameter: its name, its value with the unit ("2.05 kHz"),
    // and for a continuous one where it stands in its range (0..1) as a bar
    // of segments; position < 0 draws no bar.
    void showParameter(const std::string& title, const std::string& value, float position = -1.f);
    bool showsParameter() const { return parameterMode; }

    // What is shown, line by line: the caption (small, top left), the corner
    // (small, top right) and the main line (large). For tests.
    const std::string& caption() const { return captionText; }
    const std::string& corner() const { return cornerText; }
    const std::string& mainLine() const { return mainText; }
    // Lit segments of the bar, 0..kBarSegments, or -1 without a bar.
    int32_t barSegments() const { return litSegments; }
    static constexpr int32_t kBarSegments = 24;

    void draw(VSTGUI::CDrawContext* context) override;

    // Width in pixels of a text in the display's large print.
    static int32_t largeWidth(const std::string& text);

private:
    void set(std::string& target, const std::string& text);
    void update();

    bool parameterMode = false;
    std::string programLine; // "001  Startup", kept for the corner in parameter mode
    std::string parameterTitle;
    std::string parameterValue;
    std::string captionText;
    std::string cornerText;
    std::string mainText;
    int32_t parameterSegments = -1;
    int32_t litSegments = -1;
};
