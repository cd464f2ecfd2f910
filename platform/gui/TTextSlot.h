// Where a text drawn again and again from one place (a shape's name or
// label) keeps its shaped form between drawings (TCanvas::TextOut), so that
// drawing it again costs no search among all the texts drawn, and no new
// shaping when the canvases' shared cache of texts has started afresh. It
// follows any change of the text or the font by itself.
#pragma once

#include <memory>
#include <string>

class TTextSlot {
private:
    friend class TCanvas;
    std::string text;
    const void* runs = nullptr;      // the shaped texts of the font it was shaped in
    std::shared_ptr<const void> run; // its shaped form, kept while the slot holds it
};
