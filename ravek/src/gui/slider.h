#ifndef RAVEK_GUI_SLIDER_H
#define RAVEK_GUI_SLIDER_H

#include "ravek/src/gui/core.h"
#include "ravek/src/gui/standard.h"
#include "ravek/src/gui/styles.h"

namespace ravek {
namespace gui {

// The arrow buttons on one side of a slider.
enum SliderButtons { none = 0, dec = 1, inc = 2, both = 3 };

// The handle's computation, apart from drawing. `size` above 0 is a fraction of the bar's
// length, 0 or below minus a length in units.
float sliderHandleLength(float barLength, float size);
// The room the handle can travel: the bar's length less the handle's.
float sliderTravel(float barLength, float size);
// Where `value` lies between min and max, cut to 0..1; 0 when min equals max (or the fraction
// is not a number), so the handle then stands at the start.
double sliderFraction(double value, double min, double max);
// The handle's rectangle: along the bar by fraction x travel, across it the slider's thickness.
basic_Rect<float> sliderHandle(basic_Rect<float> const& bar, Orientation orientation, float size,
                               double fraction, basic_Vector2D<float> const& sliderSize);

// A focusable value slider for float and int (elements "Slider_float" and "Slider_int"): a bar
// with a handle showing the value, optionally flanked by arrow buttons (its children, created
// and deleted by setButtonsBefore/After). Keys, joystick, mouse wheel, clicks on the bar,
// dragging and the arrow buttons change the value within min..max and push the trigger. Styles
// and trigger are not owned. Undecodable attributes are logged as warnings and skipped.
template <typename T>
class Slider : public Component, public ClickEventHandler {
public:
    // What remains of the slider after the arrow buttons, in its own coordinates.
    basic_Rect<float> bar;
    basic_Rect<float> handle;
    bool dragging;
    basic_Vector2D<float> dragOffset;
    Button* bDecBefore;
    Button* bIncBefore;
    Button* bDecAfter;
    Button* bIncAfter;
    Trigger* trigger;
    SliderButtons buttonsBefore;
    SliderButtons buttonsAfter;
    Orientation orientation;
    float size;
    T min;
    T max;
    T stepSmall;
    T stepLarge;
    T value;
    RectStyle* barStyle;
    ButtonStyle* handleStyle;
    // Given to arrow buttons when they are created.
    ButtonStyle* buttonStyle;

    Slider();

    using Component::setDimensions;
    void setDimensions(basic_Rect<float> const& rect) override;
    void getSelfFromNode(xml::Node const* node, GUI* gui) override;
    void drawSelf() override;
    void mouseDown(ControlQueue* queue, basic_Vector2D<float> pos, unsigned char button) override;
    void mouseUp(ControlQueue* queue, basic_Vector2D<float> pos, unsigned char button) override;
    void mouseMove(ControlQueue* queue, basic_Vector2D<float> pos) override;
    bool keyDown(ControlQueue* queue, SDLKey key, SDLMod mod, unsigned short unicode) override;
    bool joyAxisMotion(ControlQueue* queue, unsigned char joystick, unsigned char axis,
                       short value) override;
    void handleClickEvent(Component* component) override;

    float getBarSize() const;
    // A square whose side is the slider's thickness.
    basic_Vector2D<float> getButtonSize() const;
    void calculateSizes();
    void setButtonsBefore(SliderButtons buttons);
    void setButtonsAfter(SliderButtons buttons);
    // By stepLarge or stepSmall, clamped to min..max; no trigger.
    void increase(bool large);
    void decrease(bool large);
    bool isDown() const;
    ButtonState getState() const;
    // The handle for the current value and bar, as drawn.
    basic_Rect<float> calculateHandle() const;

private:
    void setButtons(SliderButtons& current, SliderButtons buttons, Button*& decButton,
                    Button*& incButton, char const* decName, char const* incName);
    Button* makeButton(char const* buttonName, char const* buttonCaption);
    void change(double amount);
    void pushTrigger(ControlQueue* queue);
};

extern template class Slider<float>;
extern template class Slider<int>;

} // namespace gui

// "none", "dec", "inc" or "both"; throws the text for any other word.
template <>
gui::SliderButtons strTo<gui::SliderButtons>(std::string text);

} // namespace ravek

#endif
