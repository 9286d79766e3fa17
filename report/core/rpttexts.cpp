// The text tables that the preview and designer units hand to the resources at start-up: the
// named keys that the report core shows. Each table is lines of key, "=" and text; section lines
// start with "=" and add nothing. (The numeric keys of the preview, print and designer dialogs
// belong to those windows and join with them.)
#include "report/core/rptres.h"

namespace {

const char* const kPreviewTexts =
    "======== rptPreviewTexts ========\r\n"
    "mbConfirm=确认\r\n"
    "mbError=错误\r\n"
    "xrCantFindClass=不明的类别\r\n"
    "prDefault=预设\r\n"
    "enUnconnHeader=未连接至表首\r\n"
    "enUnconnGroup=群组未连接至数据库\r\n"
    "enUnconnGFooter=没有群组表尾er for\r\n"
    "enBandPos=Band的位置错误:\r\n"
    "dbNotConn=数据库 %s 未连接至数据库\r\n"
    "dbFldNotFound=字段不存在:\r\n"
    "clDSNotIncl=(数据库未加入至 Report.DataSets)\r\n"
    "clUnknownVar=未知的变量或数据库字段:\r\n"
    "clScrError=Script 错误在 %s: %s\r\n"
    "clDSNotExist=数据库 \"%s\" 不存在\r\n"
    "clErrors=发生下列的错误:\r\n"
    "clExprError=运算式错误\r\n"
    "clDecompressError=Stream 解压缩发生错误\r\n"
    "prRunningFirst=First pass: page %d\r\n"
    "prRunning=Preparing page %d\r\n"
    "prPrinting=Printing page %d\r\n"
    "prExporting=Exporting page %d\r\n";

const char* const kDesignerTexts =
    "======== rptDesignerTexts ========\r\n"
    "prInvProp=Invalid property value\r\n"
    "prDupl=Duplicate name\r\n"
    "obShape=Shape object\r\n"
    "obText=Text object\r\n"
    "obSysText=System text\r\n"
    "obLine=Line object\r\n"
    "obPicture=Picture object\r\n"
    "obBand=Band object\r\n"
    "obDataBand=Data band\r\n"
    "obSubRep=Subreport object\r\n"
    "obDlgPage=Dialog form\r\n"
    "obRepPage=Report page\r\n"
    "obReport=Report object\r\n"
    "obGrad=Gradient object\r\n"
    "obBarC=Barcode object\r\n"
    "obDMPText=Dot-matrix Text object\r\n"
    "obDMPLine=Dot-matrix Line object\r\n"
    "obDMPCmd=Dot-matrix Command object\r\n"
    "ctDate=Date and Time\r\n"
    "ctOther=Other\r\n"
    "ctAggregate=Aggregate\r\n";

}  // namespace

// Called once when the resources object is made, standing for the start-up code of the text
// units, which runs before any report exists.
void rptAddStandardTexts(TrptResources* Resources) {
  Resources->AddStrings(kPreviewTexts);
  Resources->AddStrings(kDesignerTexts);
}
