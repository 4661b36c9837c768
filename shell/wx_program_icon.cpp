#include "shell/wx_program_icon.h"

#include <memory>

#include <wx/bitmap.h>
#include <wx/brush.h>
#include <wx/graphics.h>
#include <wx/image.h>
#include <wx/pen.h>

namespace brimlow {

wxIcon program_icon() {
  constexpr int kSize = 128;
  wxImage image(kSize, kSize);
  image.InitAlpha();
  unsigned char* alpha = image.GetAlpha();
  std::fill(alpha, alpha + kSize * kSize, 0);
  {
    std::unique_ptr<wxGraphicsContext> gc(wxGraphicsContext::Create(image));
    if (gc) {
      gc->SetAntialiasMode(wxANTIALIAS_DEFAULT);
      // Rounded tile in a blue gradient.
      wxGraphicsPath tile = gc->CreatePath();
      tile.AddRoundedRectangle(4, 4, 120, 120, 22);
      gc->SetBrush(gc->CreateLinearGradientBrush(0, 4, 0, 124, wxColour(46, 134, 222),
                                                 wxColour(22, 74, 150)));
      gc->SetPen(*wxTRANSPARENT_PEN);
      gc->FillPath(tile);
      // A globe: outline, equator, two meridians and two parallels.
      gc->SetBrush(*wxTRANSPARENT_BRUSH);
      gc->SetPen(wxPen(wxColour(255, 255, 255), 5));
      gc->StrokePath([&] {
        wxGraphicsPath globe = gc->CreatePath();
        globe.AddCircle(56, 56, 34);
        return globe;
      }());
      gc->SetPen(wxPen(wxColour(255, 255, 255), 3));
      gc->StrokeLine(22, 56, 90, 56);
      gc->StrokeLine(56, 22, 56, 90);
      wxGraphicsPath meridian = gc->CreatePath();
      meridian.AddEllipse(40, 22, 32, 68);
      gc->StrokePath(meridian);
      gc->StrokeLine(28, 38, 84, 38);
      gc->StrokeLine(28, 74, 84, 74);
      // The watch badge: a green disc with a white heartbeat line.
      gc->SetPen(wxPen(wxColour(255, 255, 255), 4));
      gc->SetBrush(wxBrush(wxColour(46, 184, 92)));
      gc->DrawEllipse(70, 70, 50, 50);
      gc->SetPen(wxPen(wxColour(255, 255, 255), 4, wxPENSTYLE_SOLID));
      wxPoint2DDouble pulse[] = {{78, 96}, {88, 96}, {93, 84}, {99, 108}, {104, 94}, {112, 94}};
      gc->StrokeLines(6, pulse);
    }
  }  // the context writes into the image when it goes away
  wxIcon icon;
  icon.CopyFromBitmap(wxBitmap(image));
  return icon;
}

}  // namespace brimlow
