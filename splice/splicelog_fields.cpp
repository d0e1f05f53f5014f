// The sections of the splice log: every field of the fibre measurements, the splice
// information, the splice option and factory system tables, the splice mode, the splice record
// and the arcs, one line each with its meaning, range and unit (see splicelog.h).
#include <cstdio>
#include <string>

#include "splice/splicelog.h"
#include "splice/splicelog_text.h"

namespace
{

// Names the field once: its declared name is the member's.
#define FIELD(T, rec, f, comment) t.field(T, #f, (rec)->f, comment)
#define TEXT(rec, f, comment) t.text_field(#f, (rec)->f, sizeof((rec)->f), comment)

bool bad_args(const void* record, int fd, const char* op)
{
    if (record && fd >= 0) return false;
    std::printf("%s() para ERR\n", op);
    return true;
}

void fiber_info(SpliceLogText& t, const APPFIBER_INFO* i, const char* name)
{
    t.heading(std::string("APPFIBER_INFO ") + name);
    FIELD("float", i, fCladCenter, "包层中心所在行，0~479，像素");
    FIELD("float", i, fCladWidth, "包层宽度，像素（0.645 微米/像素）");
    FIELD("float", i, fCladUpB, "包层上边缘直线 y = Kx + B 的截距 B，像素");
    FIELD("float", i, fCladUpK, "包层上边缘直线的斜率 K，行/列");
    FIELD("float", i, fCladLowB, "包层下边缘直线 y = Kx + B 的截距 B，像素");
    FIELD("float", i, fCladLowK, "包层下边缘直线的斜率 K，行/列");
    FIELD("float", i, fCoreOffSet, "纤芯相对包层中心的偏移，像素");
    FIELD("int", i, iCladUp, "包层上边缘所在行，0~479，像素");
    FIELD("int", i, iCladDown, "包层下边缘所在行，0~479，像素");
    FIELD("int", i, iCoreUp, "纤芯上边缘所在行，0~479，像素");
    FIELD("int", i, iCoreDown, "纤芯下边缘所在行，0~479，像素");
    FIELD("float", i, fCoreB, "纤芯直线 y = Kx + B 的截距 B，像素");
    FIELD("float", i, fCoreK, "纤芯直线的斜率 K，行/列");
    FIELD("float", i, fCorePos, "纤芯所在行，像素");
    FIELD("float", i, fCoreDirty, "纤芯污物程度，0 为干净");
    FIELD("float", i, fCoreEndface, "纤芯端面所在列，0~639，像素");
    FIELD("float", i, fCoreFlat, "纤芯端面平整度");
    FIELD("float", i, fCoreEndfaceK, "纤芯端面斜率，列/行");
    FIELD("float", i, fEndfaceB, "端面直线 x = Ky + B 的截距 B，像素");
    FIELD("float", i, fEndfaceK, "端面直线的斜率 K，列/行");
    FIELD("float", i, fEndfacePos, "端面所在列，0~639，像素");
    FIELD("float", i, fEndfaceFlat, "端面平整度");
    FIELD("BYTE", i, bReserved, "保留");
    FIELD("float", i, fFocusCenter, "中心亮带所在行，像素");
    FIELD("float", i, fFocusDegree, "聚焦清晰度");
    FIELD("float", i, fFocusRate, "聚焦比：中心亮带宽度/包层宽度，10~50，%");
    FIELD("float", i, fFocusWidth, "中心亮带宽度，像素");
    FIELD("float", i, fMFD, "模场直径，微米");
    FIELD("float", i, fShadowBright, "包层阴影亮度，0~255，灰度");
    FIELD("BYTE", i, bFiberType, "光纤类型：0 多模，1 单模，2 色散位移，3 非零色散位移，4 G657");
    FIELD("BYTE", i, bCladFlag, "包层测量：0 未测，1 粗测，2 精测");
    FIELD("BYTE", i, bCoreFlag, "纤芯测量：0 未测，1 粗测，2 精测");
    FIELD("BYTE", i, bEndfaceFlag, "端面测量：0 未测，1 粗测，2 精测");
    FIELD("BYTE", i, bFocusFlag, "聚焦测量：0 未测，1 粗测，2 精测");
    FIELD("BYTE", i, bShadowFlag, "阴影亮度：0 未测，1 已测");
}

void fiber_graph(SpliceLogText& t, const APPFIBER_GRAPH* g, const char* name)
{
    t.heading(std::string("APPFIBER_GRAPH ") + name);
    fiber_info(t, &g->infL, "infL");
    fiber_info(t, &g->infR, "infR");
}

// One motor's snapshot: current and previous direction and distance.
void motor_snapshot(SpliceLogText& t, const char* motor, const char* what, int32_t currDir, int32_t currDis,
                    int32_t prevDir, int32_t prevDis)
{
    auto name = [&](const char* part) { return std::string("i") + motor + part; };
    std::string m = what;
    t.field("int", name("CurrDir"), currDir, m + "当前方向：0 或 1");
    t.field("int", name("CurrDis"), currDis, m + "当前位置，步");
    t.field("int", name("PrevDir"), prevDir, m + "上次方向：0 或 1");
    t.field("int", name("PrevDis"), prevDis, m + "上次位置，步");
}

void fiber_other(SpliceLogText& t, const APPFIBER* f)
{
    FIELD("float", f, fLeftCoreAngle, "左光纤纤芯角度，度");
    FIELD("float", f, fRightCoreAngle, "右光纤纤芯角度，度");
    FIELD("float", f, fCoreAngleSum, "两纤芯夹角，度");
    FIELD("float", f, fLeftEndfaceAngle, "左光纤端面角（切割角），0~45，度");
    FIELD("float", f, fRightEndfaceAngle, "右光纤端面角（切割角），0~45，度");
    FIELD("float", f, fEndfaceAngleSum, "两端面角之和，度");
    FIELD("float", f, fCoreAxisOffset, "纤芯轴偏移，微米");
    FIELD("float", f, fEndfacePosGap, "两端面间隙，像素");
    motor_snapshot(t, "LPress", "左推进电机", f->iLPressCurrDir, f->iLPressCurrDis, f->iLPressPrevDir,
                   f->iLPressPrevDis);
    motor_snapshot(t, "RPress", "右推进电机", f->iRPressCurrDir, f->iRPressCurrDis, f->iRPressPrevDir,
                   f->iRPressPrevDis);
    motor_snapshot(t, "XFocus", "X 调焦电机", f->iXFocusCurrDir, f->iXFocusCurrDis, f->iXFocusPrevDir,
                   f->iXFocusPrevDis);
    motor_snapshot(t, "YFocus", "Y 调焦电机", f->iYFocusCurrDir, f->iYFocusCurrDis, f->iYFocusPrevDir,
                   f->iYFocusPrevDis);
    motor_snapshot(t, "XAlign", "X 对准电机", f->iXAlignCurrDir, f->iXAlignCurrDis, f->iXAlignPrevDir,
                   f->iXAlignPrevDis);
    motor_snapshot(t, "YAlign", "Y 对准电机", f->iYAlignCurrDir, f->iYAlignCurrDis, f->iYAlignPrevDir,
                   f->iYAlignPrevDis);
    FIELD("LONG", f, lFiberErrorFlag, "光纤错误码：0 无，228 左光纤不在，229 右光纤不在");
    FIELD("float", f, fCoreCladOffset, "纤芯与包层的偏心，微米");
    FIELD("float", f, fXCoreCladOffset, "X 图像中纤芯与包层的偏心，微米");
    FIELD("float", f, fYCoreCladOffset, "Y 图像中纤芯与包层的偏心，微米");
    FIELD("BYTE", f, bReserved0, "保留");
    FIELD("BYTE", f, bArcBrightUp, "放电亮度上限，0~255，灰度");
    FIELD("BYTE", f, bArcBrightDown, "放电亮度下限，0~255，灰度");
}

void arc(SpliceLogText& t, const APPARC* a, const char* name)
{
    t.heading(std::string("APPARC ") + name);
    FIELD("BYTE", a, bIntensOff, "放电强度偏移，0~200，100 为标准强度；放电功率 = 偏移 × 13 + 基准功率");
    FIELD("BYTE", a, bTimeUnit, "时间单位：0 毫秒，1 秒");
    FIELD("WORD", a, wTimeCount, "放电时间，0~30000 毫秒或 0~1000 秒");
}

void splice_mode(SpliceLogText& t, const APPSPLICE* s)
{
    t.heading("APPSPLICE Struct:");
    for (int i = 0; i < 3; ++i)
        t.field("BYTE", "bItemMask[" + std::to_string(i) + "]", s->bItemMask[i], "模式编辑器的项目掩码");
    FIELD("BYTE", s, bModeIndex, "熔接模式序号，0~63");
    FIELD("BYTE", s, bModeLock, "模式锁定：0 可编辑，1 锁定");
    FIELD("BYTE", s, bModeDefine, "模式定义：0 空，1 已定义");
    FIELD("BYTE", s, bModeActive, "当前模式：1 是");
    FIELD("BYTE", s, bTemplateIndex, "所用模板序号，0~31");
    FIELD("BYTE", s, bSpliceType, "熔接类型：0 自动，1 标准，2 衰减，3 保偏");
    FIELD("BYTE", s, bTargetLoss, "衰减熔接的目标损耗，1~200，0.1 dB");
    FIELD("BYTE", s, bAlignType, "对准方式：0 手动，1 纤芯，2 包层");
    FIELD("BYTE", s, bLeftFocus, "左光纤聚焦比，10~50，%");
    FIELD("BYTE", s, bRightFocus, "右光纤聚焦比，10~50，%");
    FIELD("BYTE", s, bLeftMfd, "左光纤模场直径，90~110，0.1 微米");
    FIELD("BYTE", s, bRightMfd, "右光纤模场直径，90~110，0.1 微米");
    FIELD("BYTE", s, bArcAdjust, "放电校正：0 关，1 自动");
    FIELD("BYTE", s, bPullTest, "拉力测试：0 关，1 开");
    FIELD("BYTE", s, bLossEstimate, "损耗估算：0 关，1 开");
    FIELD("BYTE", s, bLossMin, "最小损耗，0~100，0.01 dB");
    FIELD("BYTE", s, bLossLimit, "损耗上限，0~100，0.01 dB");
    FIELD("BYTE", s, bCoreLimit, "纤芯角度上限，0~100，0.1 度");
    FIELD("BYTE", s, bCleaveLimit, "切割角上限，0~100，0.1 度");
    FIELD("BYTE", s, bKerfOff, "端面偏移，0~100，减 50 为 -50~50 微米");
    FIELD("BYTE", s, bKerfGap, "端面间隙，10~50，微米");
    FIELD("BYTE", s, bKerfOverlap, "端面重叠，1~50，微米");
    FIELD("BYTE", s, bFuseExposal, "熔接时的曝光，0~100");
    FIELD("BYTE", s, bFuseSpeed, "熔接推进速度，0~15（电机速度档）");
    FIELD("BYTE", s, bTaperEnable, "拉锥熔接：0 关，1 开");
    FIELD("BYTE", s, bTaperSpeed, "拉锥速度，0~15");
    FIELD("WORD", s, wTaperWait, "拉锥等待，0~30000，毫秒");
    FIELD("WORD", s, wTaperLength, "拉锥长度，0~500，微米");
    FIELD("WORD", s, wSecondOn, "二次放电开启时间，0~500，毫秒");
    FIELD("WORD", s, wSecondOff, "二次放电关闭时间，0~500，毫秒");
    TEXT(s, szModeName, "模式名称，最多 7 个字符");
    TEXT(s, szModeNote, "模式说明，最多 15 个字符");
    FIELD("BYTE", s, bCoreShiftCompensation, "纤芯偏移补偿系数，0~200，0.01（0.00~2.00）");
    arc(t, &s->arcClearArc, "arcClearArc");
    arc(t, &s->arcPreheatArc, "arcPreheatArc");
    arc(t, &s->arcFuseArc, "arcFuseArc");
    arc(t, &s->arcTaperArc, "arcTaperArc");
    arc(t, &s->arcSecondArc, "arcSecondArc");
    arc(t, &s->arcAgainArc, "arcAgainArc");
}

void splice_record(SpliceLogText& t, const APPRECORD* r)
{
    t.heading("APPRECORD Struct:");
    FIELD("BYTE", r, bLossValue, "熔接损耗，0~255，0.01 dB；127 为未估算");
    FIELD("BYTE", r, bCoreAngle, "纤芯角度，0~255，0.1 度");
    FIELD("BYTE", r, bLeftAngle, "左切割角，0~255，0.1 度");
    FIELD("BYTE", r, bRightAngle, "右切割角，0~255，0.1 度");
    FIELD("BYTE", r, bCladOff, "包层偏移，0~255，0.1 微米");
    FIELD("BYTE", r, bCoreOff, "纤芯偏移，0~255，0.1 微米");
    FIELD("BYTE", r, bLossLimit, "损耗上限，0~100，0.01 dB");
    FIELD("BYTE", r, bCleaveLimit, "切割角上限，0~100，0.1 度");
    FIELD("BYTE", r, bKerfOff, "端面偏移，0~100，减 50 为微米");
    FIELD("BYTE", r, bKerfGap, "端面间隙，10~50，微米");
    FIELD("BYTE", r, bKerfOverlap, "端面重叠，1~50，微米");
    TEXT(r, ModeName, "熔接模式名称，最多 7 个字符");
    FIELD("DWORD", r, dwSpliceTime,
          "熔接时间：年 0~11 位，月 12~15 位，日 16~20 位，时 21~25 位，分 26~31 位");
    FIELD("BYTE", r, bLeftFiberType,
          "左光纤类型：0 多模，1 单模，2 色散位移，3 非零色散位移，4 G657，5 未知");
    FIELD("BYTE", r, bRightFiberType,
          "右光纤类型：0 多模，1 单模，2 色散位移，3 非零色散位移，4 G657，5 未知");
    FIELD("BYTE", r, bSpliceType, "熔接类型：0 自动，1 标准，2 衰减，3 保偏");
    FIELD("BYTE", r, bAlignType, "对准方式：0 手动，1 纤芯，2 包层");
    FIELD("BYTE", r, bModeIndex, "熔接模式序号，0~63");
    FIELD("BYTE", r, bArcBright, "熔接放电时的图像亮度，0~255，灰度");
    FIELD("BYTE", r, bHeatCtrl, "加热方式：2 短，3 长");
    FIELD("WORD", r, wHeatTemp, "加热温度，130~230，摄氏度");
    FIELD("WORD", r, wHeatTime, "加热时间，8~900，秒");
    TEXT(r, szHeatName, "加热模式名称，最多 7 个字符");
    FIELD("DWORD", r, dwSpliceNumber, "本机熔接计数");
    arc(t, &r->arcPreheat, "arcPreheat");
    arc(t, &r->arcFuse, "arcFuse");
    arc(t, &r->arcSecond, "arcSecond");
    TEXT(r, bSplicePlace, "熔接地点，最多 16 个字符");
}

// Writes what `fill` puts in a text; 0, or -1 when the arguments are missing or the write failed.
template <class R, class Fill> int section(const R* record, int fd, const char* op, Fill fill)
{
    if (bad_args(record, fd, op)) return -1;
    SpliceLogText t;
    fill(t);
    return t.write_to(fd);
}

} // namespace

int printPrefix(const int* stage, int fd)
{
    if (bad_args(stage, fd, "printPrefix")) return -1;
    static const char* const kHeading[] = {"暂停一：", "暂停二：", "熔接完成："};
    if (*stage < SPLICE_LOG_PAUSE_ONE || *stage > SPLICE_LOG_COMPLETE) {
        std::printf("printPrefix() para ERR\n");
        return -1;
    }
    SpliceLogText t;
    t.blank();
    t.heading(kHeading[*stage]);
    return t.write_to(fd);
}

int printCurrentFiberGraph(const APPFIBER_GRAPH* graph, int fd, const char* name)
{
    return section(graph, fd, "printCurrentFiberGraph",
                   [&](SpliceLogText& t) { fiber_graph(t, graph, name ? name : "gra"); });
}

int printCurrentFiberOtherStruct(const APPFIBER* fiber, int fd)
{
    return section(fiber, fd, "printCurrentFiberOtherStruct",
                   [&](SpliceLogText& t) { fiber_other(t, fiber); });
}

int printCurrentFiberStruct(const APPFIBER* fiber, int fd)
{
    if (bad_args(fiber, fd, "printCurrentFiberStruct")) return -1;
    SpliceLogText t;
    t.heading("fiber struct:(当前光纤信息)");
    int r = t.write_to(fd);
    r |= printCurrentFiberGraph(&fiber->graX, fd, "graX");
    r |= printCurrentFiberGraph(&fiber->graY, fd, "graY");
    r |= printCurrentFiberOtherStruct(fiber, fd);
    return r == 0 ? 0 : -1;
}

int printAPPARC(const APPARC* a, int fd, const char* name)
{
    return section(a, fd, "printAPPARC", [&](SpliceLogText& t) { arc(t, a, name ? name : "arc"); });
}

int printAPPSPLICE(const APPSPLICE* mode, int fd)
{
    return section(mode, fd, "printAPPSPLICE", [&](SpliceLogText& t) { splice_mode(t, mode); });
}

int printAPPRECORD(const APPRECORD* record, int fd)
{
    return section(record, fd, "printAPPRECORD", [&](SpliceLogText& t) { splice_record(t, record); });
}

int printCurrentSpliceInfoStruct(const SPLICE_INFORMATION* s, int fd)
{
    if (bad_args(s, fd, "printCurrentSpliceInfoStruct")) return -1;
    SpliceLogText t;
    t.heading("splice infomation:(当前熔接信息)");
    FIELD("int", s, iCurrentSpliceStatus,
          "熔接状态：0 就绪，1 间隙，2 暂停一，3 对准，4 暂停二，5 放电，6 完成，7 估算，8 拉力测试");
    FIELD("int", s, iFiberTypeFlag, "光纤类型识别：0 未做，非 0 已做");
    FIELD("int", s, iFieldDiameterFlag, "模场直径测量：0 未做，非 0 已做");
    FIELD("int", s, iCleaveAngleFlag, "切割角测量：0 未做，非 0 已做");
    FIELD("int", s, iCoreAngleFlag, "纤芯角度测量：0 未做，非 0 已做");
    FIELD("int", s, iCladWidthFlag, "包层宽度测量：0 未做，非 0 已做");
    FIELD("int", s, iCladOffsetFlag, "包层偏移测量：0 未做，非 0 已做");
    FIELD("int", s, iCoreOffsetFlag, "纤芯偏移测量：0 未做，非 0 已做");
    FIELD("int", s, iEstimateLossFlag, "损耗估算：0 未做，非 0 已做");
    FIELD("int", s, iSpliceRecordFlag, "熔接记录：0 未保存，1 已保存");
    FIELD("int", s, iSpliceSuccessFlag, "接头检查：0 未通过，1 通过");
    FIELD("BYTE", s, bCurArcBright, "熔接放电时的图像亮度，0~255，灰度");
    FIELD("int", s, iAngleSerialCount, "端面斜率采样次数，0~5");
    FIELD("int", s, iElectrodePosX, "X 图像中电极轴所在列，0~639，像素");
    FIELD("int", s, iElectrodePosY, "Y 图像中电极轴所在列，0~639，像素");
    FIELD("int", s, iLeftFiberType, "左光纤类型：0 多模，1 单模，2 色散位移，3 非零色散位移，4 G657");
    FIELD("int", s, iRightFiberType, "右光纤类型：0 多模，1 单模，2 色散位移，3 非零色散位移，4 G657");
    FIELD("float", s, fModuleFieldDiameter, "模场直径，微米");
    FIELD("float", s, fLeftCleaveAngle, "左切割角，0~45，度");
    FIELD("float", s, fRightCleaveAngle, "右切割角，0~45，度");
    FIELD("float", s, fCoreAngleSum, "纤芯夹角，度");
    FIELD("float", s, fCladWidthX, "X 图像参考包层宽度，像素");
    FIELD("float", s, fCladWidthY, "Y 图像参考包层宽度，像素");
    FIELD("float", s, fAxisCladOffset, "包层轴偏移，微米");
    FIELD("float", s, fAxisCoreOffset, "纤芯轴偏移，微米");
    FIELD("float", s, fEstimateLossValue, "估算损耗，dB");
    for (int v = 0; v < 2; ++v)
        for (int i = 0; i < 5; ++i) {
            std::string at = "[" + std::to_string(v) + "][" + std::to_string(i) + "]";
            std::string view = v == 0 ? "X" : "Y";
            t.field("float", "LeftAngleSerial" + at, s->LeftAngleSerial[v][i],
                    "左光纤端面斜率采样（" + view + " 图像），列/行");
            t.field("float", "RightAngleSerial" + at, s->RightAngleSerial[v][i],
                    "右光纤端面斜率采样（" + view + " 图像），列/行");
        }
    FIELD("BYTE", s, bReportBuilt, "本次熔接的 PDF 报告：0 未生成，1 已生成");
    FIELD("BYTE", s, bAutoMode, "自动熔接类型：0 否，1 是");
    int r = t.write_to(fd);
    r |= printAPPRECORD(&s->SpliceRecord, fd);
    r |= printAPPSPLICE(&s->CurrentSplice, fd);
    return r == 0 ? 0 : -1;
}

int printAPPTABLE_OPTION(const APPTABLE_OPTION* o, int fd)
{
    return section(o, fd, "printAPPTABLE_OPTION", [&](SpliceLogText& t) {
        t.heading("APPTABLE_OPTION Struct:");
        FIELD("LONG", o, lEnableAutoStart, "合盖自动开始熔接：0 关，1 开");
        FIELD("LONG", o, lEnablePauseOne, "暂停一（间隙设定后）：0 关，1 开");
        FIELD("LONG", o, lEnablePauseTwo, "暂停二（对准后）：0 关，1 开");
        FIELD("LONG", o, lDispCleaveAngle, "显示切割角：0 关，1 开");
        FIELD("LONG", o, lDispAxisOffset, "显示轴偏移：0 关，1 开");
        FIELD("LONG", o, lIgnoreCleaveErr, "忽略切割角错误：0 否，1 忽略");
        FIELD("LONG", o, lIgnoreAngleErr, "忽略纤芯角度错误：0 否，1 忽略");
        FIELD("LONG", o, lIgnoreLossErr, "忽略熔接损耗错误：0 否，1 忽略");
        FIELD("LONG", o, lIgnoreBubbleErr, "忽略气泡错误：0 否，1 忽略");
        FIELD("LONG", o, lIgnoreFatErr, "忽略接头过粗错误：0 否，1 忽略");
        FIELD("LONG", o, lIgnoreThinErr, "忽略接头过细错误：0 否，1 忽略");
        FIELD("LONG", o, lArcCompPress, "放电气压补偿：0 关，1 开");
        FIELD("LONG", o, lArcCompTemp, "放电温度补偿：0 关，1 开");
        FIELD("LONG", o, lFbrImgGap, "间隙设定时的画面：1 X，2 Y，3 X 与 Y 并排，4 X 在 Y 上");
        FIELD("LONG", o, lFbrImgOne, "暂停一时的画面：1 X，2 Y，3 X 与 Y 并排，4 X 在 Y 上");
        FIELD("LONG", o, lFbrImgAlign, "对准时的画面：1 X，2 Y，3 X 与 Y 并排，4 X 在 Y 上");
        FIELD("LONG", o, lFbrImgTwo, "暂停二时的画面：1 X，2 Y，3 X 与 Y 并排，4 X 在 Y 上");
        FIELD("LONG", o, lFbrImgArc, "放电时的画面：1 X，2 Y，3 X 与 Y 并排，4 X 在 Y 上");
        FIELD("LONG", o, lFbrImgEst, "损耗估算时的画面：1 X，2 Y，3 X 与 Y 并排，4 X 在 Y 上");
        FIELD("LONG", o, lOthPauseRealign, "暂停后重新对准：0 关，1 开");
        FIELD("LONG", o, lRecStorDis, "数据存储：0 保存熔接记录，非 0 不保存");
        FIELD("LONG", o, lAdjustAutoAim, "自动对准后调整图像偏移：0 关，1 开");
        FIELD("BYTE", o, bCheckDegree, "故障检查灵敏度，5~15，0.1 度");
        FIELD("BYTE", o, bCheckFiber, "光纤检查：0 关，1 开");
        FIELD("BYTE", o, bSpliceLogger, "打印熔接日志：0 关，非 0 开");
        FIELD("BYTE", o, bArcBrightComp, "放电亮度补偿开关：0 关，非 0 开");
        FIELD("BYTE", o, bEndFaceMethod, "端面检查方法：0 旧算法，非 0 新算法");
    });
}

int printTABLEFACTORYSYS(const TABLEFACTORYSYS* f, int fd)
{
    return section(f, fd, "printTABLEFACTORYSYS", [&](SpliceLogText& t) {
        t.heading("TABLEFACTORYSYS Struct:");
        FIELD("LONG", f, lMonitorLedBright, "监视 LED 亮度");
        FIELD("LONG", f, lLcdBrightVal, "液晶背光亮度，8~80");
        FIELD("LONG", f, lElecPosX, "X 图像中电极位置，0~639，像素列");
        FIELD("LONG", f, lElecPosY, "Y 图像中电极位置，0~639，像素列");
        FIELD("LONG", f, lXLedVolt, "X 照明 LED 电压，1~127");
        FIELD("LONG", f, lYLedVolt, "Y 照明 LED 电压，1~127");
        FIELD("LONG", f, lXLightVal, "X 图像亮度目标，32~96，灰度");
        FIELD("LONG", f, lYLightVal, "Y 图像亮度目标，32~96，灰度");
        FIELD("LONG", f, lXLightErr, "X 图像亮度容差，4~16，灰度");
        FIELD("LONG", f, lYLightErr, "Y 图像亮度容差，4~16，灰度");
        FIELD("LONG", f, lArcCaliPress, "放电校准时的气压，0.1 kPa");
        FIELD("LONG", f, lArcCaliTemp, "放电校准时的温度，0.01 摄氏度，偏置 10000（10000 为 0.00 度）");
        FIELD("LONG", f, lArcCaliResult, "放电校准结果，偏置编码");
        FIELD("LONG", f, lHeatMiddleLow, "加热器中间区：100 摄氏度对应的设备值");
        FIELD("LONG", f, lHeatMiddleHigh, "加热器中间区：200 摄氏度对应的设备值");
        FIELD("LONG", f, lHeatBorderLow, "加热器两端区：100 摄氏度对应的设备值");
        FIELD("LONG", f, lHeatBorderHigh, "加热器两端区：200 摄氏度对应的设备值");
        FIELD("LONG", f, lCamAdjustFlag, "摄像头偏移调整标志");
        FIELD("LONG", f, lMachSerNumBackup, "机器序列号后 8 位，BCD 码（备份）");
        FIELD("WORD", f, wMachSerNumBackup, "机器序列号前 3 位，BCD 码（备份）");
        FIELD("BYTE", f, bMachSerNumFlag, "序列号已备份标志：0xC4（196）为已备份");
        FIELD("BYTE", f, bCompensationBright, "亮度补偿，开机时载入");
        FIELD("LONG", f, lRPressBacklashFB, "右推进电机回差（前进转后退，低字节），步");
        FIELD("LONG", f, lRPressBacklashBF, "右推进电机回差（后退转前进，低字节），步");
    });
}

#undef FIELD
#undef TEXT
