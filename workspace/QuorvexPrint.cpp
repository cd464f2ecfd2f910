// The main window's printing: the page laid out from the picture as shown,
// the summary and the print options, then shown in the preview, from which
// it prints.
#include "workspace/Quorvex.h"

#include "platform/gui/GuiTypes.h"
#include "platform/gui/TBitmap.h"
#include "settings/MParam.h"
#include "workspace/MImagePrint.h"
#include "workspace/MImagePrintOption.h"
#include "workspace/MImagePrintPreview.h"


void TFormMeasure::MenuPrintClick()
{
    if (!FormImagePrint || !FormImagePrintPreview)
        return;
    PrintImagePage();
    FormImagePrintPreview->exec();
}

void TFormMeasure::PrintImagePage()
{
    if (!FormImagePrint)
        return;
    TFormImagePrint& page = *FormImagePrint;
    page.ApplyLanguage();

    if (Param->BoolValue(OPT_PRINT_ATTR))
        page.ShowAttributes(BuildSummaryText());
    else
        page.HideAttributes();

    if (Param->BoolValue(OPT_PRINT_INFO)) {
        TFormImagePrint::TInfo info;
        Param->GetText(OPT_PRINT_NAME, info.Name);
        Param->GetText(OPT_PRINT_UNIT, info.Unit);
        Param->GetText(OPT_PRINT_AUTHOR, info.Author);
        if (FormImagePrintOption) {
            info.Date = FormImagePrintOption->DateText();
            info.Number = FormImagePrintOption->NumberText();
            info.Scale = FormImagePrintOption->ScaleText();
        }
        page.ShowInfo(info);
    } else {
        page.HideInfo();
    }

    TSize size{BufferBitmap->Width(), BufferBitmap->Height()};
    if (Param->HasScale() && Param->BoolValue(OPT_PRINT_MAG) && FormImagePrintOption) {
        double wanted = 0.0;
        Param->GetDouble(OPT_PRINT_MAG_VALUE, wanted);
        double adjust = 0.0;
        Param->GetDouble(OPT_PRINT_ADJUST, adjust);
        if (adjust == 0.0)
            adjust = 100.0;
        size = TFormImagePrint::MagnifiedSize(size.cx, size.cy, wanted * adjust * 0.01,
                                              FormImagePrintOption->ComputeMagnification());
    }
    // Marks on screen are drawn on the back buffer; none is printed.
    WipeTransient();
    page.LayOut(size.cx, size.cy);
    if (FormImagePrintPreview)
        FormImagePrintPreview->SetPage(page.GetFormImage(BufferBitmap->Image()), page.Width(), page.Height());
}

void TFormMeasure::PrintOptionClick()
{
    if (FormImagePrintOption && FormImagePrintOption->exec() == mrOk)
        PrintImagePage();
}
