#include "Almanac.h"

#include "Gbk.h"

#include <QString>
#include <QStringList>

#include <algorithm>
#include <bit>
#include <cstdlib>

using namespace std::chrono;

namespace Almanac {
namespace {

// ---------------------------------------------------------------------------
// Names (卷一 本原: 干支, 纳音; 卷二 本原二: 二十八宿; 卷五/卷六 义例: 建除, 黄道).

// clang-format off
inline constexpr std::array<std::string_view, StemCount> Stems{"甲", "乙", "丙", "丁", "戊", "己", "庚", "辛", "壬", "癸"};
inline constexpr std::array<std::string_view, BranchCount> Branches{"子", "丑", "寅", "卯", "辰", "巳", "午", "未", "申", "酉", "戌", "亥"};
inline constexpr std::array<std::string_view, BranchCount> Animals{"鼠", "牛", "虎", "兔", "龙", "蛇", "马", "羊", "猴", "鸡", "狗", "猪"};
// 纳音 of each pair of the cycle, index GanZhi / 2 (甲子乙丑 海中金 ...); 卷一 本原 纳音.
inline constexpr std::array<std::string_view, 30> Sounds{
    "海中金", "炉中火", "大林木", "路旁土", "剑锋金", "山头火", "涧下水", "城头土", "白蜡金", "杨柳木",
    "泉中水", "屋上土", "霹雳火", "松柏木", "长流水", "沙中金", "山下火", "平地木", "壁上土", "金箔金",
    "覆灯火", "天河水", "大驿土", "钗钏金", "桑柘木", "大溪水", "沙中土", "天上火", "石榴木", "大海水"};
// 建除十二值星 from 建 (day branch = month branch) on; 卷十 宜忌.
inline constexpr std::array<std::string_view, 12> Officers{"建", "除", "满", "平", "定", "执", "破", "危", "成", "收", "开", "闭"};
// The twenty-eight mansions from 角; 卷二 本原二. Lucky: 角 房 尾 箕 斗 室 壁 娄 胃 毕 参 井 张 轸.
inline constexpr std::array<std::string_view, 28> Mansions{
    "角", "亢", "氐", "房", "心", "尾", "箕", "斗", "牛", "女", "虚", "危", "室", "壁",
    "奎", "娄", "胃", "昴", "毕", "觜", "参", "井", "鬼", "柳", "星", "张", "翼", "轸"};
inline constexpr std::array<int, 14> LuckyMansionList{0, 3, 5, 6, 7, 12, 13, 15, 16, 18, 20, 21, 25, 27};
constexpr std::uint32_t MaskOf(const std::array<int, 14> &list) {
  std::uint32_t mask = 0;
  for (int i : list)
    mask |= std::uint32_t{1} << i;
  return mask;
}
inline constexpr std::uint32_t LuckyMansions = MaskOf(LuckyMansionList); // bit i: mansion i lucky
// The twelve spirits of the 黄道/黑道 from 青龙; 卷五 义例 (青龙 明堂 金匮 天德 玉堂 司命 黄道).
inline constexpr std::array<std::string_view, 12> Spirits{
    "青龙", "明堂", "天刑", "朱雀", "金匮", "天德", "白虎", "玉堂", "天牢", "玄武", "司命", "勾陈"};
inline constexpr std::uint16_t YellowSpirits = 0b0100'1011'0011; // 青龙 明堂 金匮 天德 玉堂 司命
inline constexpr std::array<std::string_view, 9> Stars{"一白", "二黑", "三碧", "四绿", "五黄", "六白", "七赤", "八白", "九紫"};
// 彭祖百忌, by stem and by branch (the common saying; 卷三十五 附录 百忌日 gives the same days).
inline constexpr std::array<std::string_view, StemCount> PengZuStems{
    "甲不开仓财物耗散", "乙不栽植千株不长", "丙不修灶必见灾殃", "丁不剃头头必生疮", "戊不受田田主不祥",
    "己不破券二比并亡", "庚不经络织机虚张", "辛不合酱主人不尝", "壬不泱水更难提防", "癸不词讼理弱敌强"};
inline constexpr std::array<std::string_view, BranchCount> PengZuBranches{
    "子不问卜自惹祸殃", "丑不冠带主不还乡", "寅不祭祀神鬼不尝", "卯不穿井水泉不香", "辰不哭泣必主重丧",
    "巳不远行财物伏藏", "午不苫盖屋主更张", "未不服药毒气入肠", "申不安床鬼祟入房", "酉不会客醉坐颠狂",
    "戌不吃犬作怪上床", "亥不嫁娶不利新郎"};
// 胎神 (通书 逐日胎神): the place of the stem (甲己 占门, 乙庚 碓磨, 丙辛 厨灶,
// 丁壬 仓库, 戊癸 房床) and of the branch (子午 碓, 丑未 厕, 寅申 炉, 卯酉 门,
// 辰戌 栖, 巳亥 床); a branch place already in the stem's is said once.
inline constexpr std::array<std::string_view, 5> FetusStemPlaces{"占门", "碓磨", "厨灶", "仓库", "房床"};
inline constexpr std::array<std::string_view, 6> FetusBranchPlaces{"碓", "厕", "炉", "门", "栖", "床"};
// Where the 胎神 stands, in runs over the cycle: each row the first day of the
// run and its direction (甲子 外东南 ... 癸亥 外东南).
struct FetusRun {
  int First; // GanZhi index
  std::string_view Direction;
};
inline constexpr std::array<FetusRun, 15> FetusDirections{{
    {0, "外东南"}, {2, "外正南"}, {7, "外西南"}, {13, "外正西"}, {18, "外西北"}, {24, "外正北"},
    {29, "房内北"}, {34, "房内中"}, {36, "房内南"}, {39, "房内西"}, {40, "房内东"}, {44, "房内中"},
    {45, "外东北"}, {51, "外正东"}, {56, "外东南"}}};
// clang-format on
static_assert(FetusDirections.front().First == 0);
constexpr bool RunsAscend() {
  for (std::size_t i = 1; i < FetusDirections.size(); ++i)
    if (FetusDirections[i].First <= FetusDirections[i - 1].First)
      return false;
  return FetusDirections.back().First < CycleLength;
}
static_assert(RunsAscend(), "胎神 runs start in cycle order within the sixty days");
static_assert(std::popcount(LuckyMansions) == 14 && std::popcount(YellowSpirits) == 6);

// ---------------------------------------------------------------------------
// The 用事 list (卷十一 用事: 御用六十七事 and the 通书's additions), in the
// book's order; a set of them is a 128-bit mask.

// clang-format off
inline constexpr std::array<std::string_view, 94> Items{
    "祭祀", "祈福", "求嗣", "上册进表章", "上表章", "颁诏", "覃恩", "肆赦", "施恩封拜", "袭爵受封",
    "诏命公卿", "招贤", "举正直", "施恩惠", "恤孤惸", "宣政事", "布政事", "行惠爱", "雪冤枉", "缓刑狱",
    "庆赐", "赏贺", "宴会", "入学", "冠带", "行幸", "遣使", "出行", "安抚边境", "选将训兵",
    "出师", "上官赴任", "临政亲民", "陈词讼", "结婚姻", "纳采问名", "嫁娶", "进人口", "般移", "远回",
    "安床", "解除", "沐浴", "整容", "剃头", "整手足甲", "求医疗病", "疗目", "针刺", "裁制",
    "营建宫室", "修宫室", "缮城郭", "筑堤防", "兴造动土", "竖柱上梁", "修仓库", "鼓铸", "苫盖", "经络",
    "酝酿", "开市", "立券交易", "纳财", "开仓库出货财", "修置产室", "开渠", "穿井", "安碓硙", "补垣",
    "塞穴", "扫舍宇", "修饰垣墙", "平治道涂", "破屋坏垣", "伐木", "捕捉", "畋猎", "取鱼", "乘船渡水",
    "栽种", "修筑园圃", "牧养", "纳畜", "破土", "安葬", "启攒", "安神", "修祠宇", "运谋算画计策",
    "会亲友", "上官", "修造动土", "裁衣"};
// clang-format on
static_assert(Items.size() <= 128 && Items.size() <= MaxItems);

struct ItemSet {
  std::uint64_t Low = 0, High = 0;
  constexpr bool Has(int item) const { return ((item < 64 ? Low >> item : High >> (item - 64)) & 1) != 0; }
  constexpr void Add(int item) {
    if (item < 64)
      Low |= std::uint64_t{1} << item;
    else
      High |= std::uint64_t{1} << (item - 64);
  }
  constexpr void Remove(int item) {
    if (item < 64)
      Low &= ~(std::uint64_t{1} << item);
    else
      High &= ~(std::uint64_t{1} << (item - 64));
  }
  constexpr bool Empty() const { return Low == 0 && High == 0; }
  friend constexpr ItemSet operator|(ItemSet a, ItemSet b) { return {a.Low | b.Low, a.High | b.High}; }
  friend constexpr ItemSet operator&(ItemSet a, ItemSet b) { return {a.Low & b.Low, a.High & b.High}; }
  friend constexpr ItemSet operator-(ItemSet a, ItemSet b) { return {a.Low & ~b.Low, a.High & ~b.High}; }
};

constexpr int ItemNumber(std::string_view name) {
  for (std::size_t i = 0; i < Items.size(); ++i)
    if (Items[i] == name)
      return static_cast<int>(i);
  return -1;
}

// The set of a list written as the book's items separated by blanks. An
// unknown name is no constant expression, so a misspelt table does not build.
consteval ItemSet L(std::string_view list) {
  ItemSet set;
  std::size_t start = 0;
  while (start < list.size()) {
    while (start < list.size() && list[start] == ' ')
      ++start;
    std::size_t end = start;
    while (end < list.size() && list[end] != ' ')
      ++end;
    if (end > start) {
      const int item = ItemNumber(list.substr(start, end - start));
      if (item < 0)
        throw "unknown item"; // NOLINT: compile-time error only
      set.Add(item);
    }
    start = end;
  }
  return set;
}

constexpr ItemSet AllItems() {
  ItemSet set;
  for (int i = 0; i < static_cast<int>(Items.size()); ++i)
    set.Add(i);
  return set;
}

// Lists the book repeats (卷十 宜忌).
inline constexpr ItemSet Military = L("安抚边境 选将训兵 出师");
inline constexpr ItemSet MilitaryAndHealing = Military | L("求医疗病");
// What 土府, 土符, 地囊 and 土王用事 forbid.
inline constexpr ItemSet EarthWorks = L("营建宫室 修宫室 缮城郭 筑堤防 兴造动土 修造动土 修仓库 修置产室 开渠 穿井 "
                                        "安碓硙 补垣 修饰垣墙 平治道涂 破屋坏垣 栽种 破土");
// What the four great 德 and 天赦 suit (卷十 天德 月德 天德合 月德合).
inline constexpr ItemSet VirtueSuits =
    L("祭祀 祈福 求嗣 上册进表章 上表章 颁诏 覃恩 肆赦 施恩封拜 袭爵受封 诏命公卿 招贤 举正直 施恩惠 恤孤惸 "
      "宣政事 行惠爱 雪冤枉 缓刑狱 庆赐 赏贺 宴会 行幸 遣使 安抚边境 选将训兵 出师 上官赴任 临政亲民 结婚姻 "
      "纳采问名 嫁娶 般移 解除 求医疗病 裁制 营建宫室 缮城郭 兴造动土 竖柱上梁 修仓库 栽种 牧养 纳畜 安葬 "
      "会亲友 出行 修造动土 裁衣 上官");
// The long 忌 list of 月破 (卷十); 劫煞, 灾煞, 月煞 and 月刑 forbid it too but
// for 伐木, and with 解除, 求医疗病 and 破屋坏垣. 破屋坏垣 is the one work the 破日
// suits, so 月破 itself does not forbid it.
inline constexpr ItemSet GreatAvoids =
    L("祈福 求嗣 上册进表章 上表章 颁诏 施恩封拜 袭爵受封 诏命公卿 招贤 举正直 宣政事 布政事 庆赐 赏贺 宴会 冠带 "
      "行幸 遣使 出行 安抚边境 选将训兵 出师 上官赴任 上官 临政亲民 结婚姻 纳采问名 嫁娶 进人口 般移 安床 "
      "整容 剃头 整手足甲 裁制 裁衣 营建宫室 修宫室 缮城郭 筑堤防 兴造动土 修造动土 竖柱上梁 修仓库 "
      "鼓铸 经络 酝酿 开市 立券交易 纳财 开仓库出货财 修置产室 开渠 穿井 安碓硙 补垣 塞穴 修饰垣墙 "
      "伐木 栽种 牧养 纳畜 破土 安葬 启攒 会亲友");

inline constexpr ItemSet ThreeKillingsAvoid = (GreatAvoids - L("伐木")) | L("解除 求医疗病 破屋坏垣");
// 平日 forbids the list of 月破 but for the small works, and with 解除 and 求医疗病.
inline constexpr ItemSet LevelDayAvoid =
    (GreatAvoids - L("整容 剃头 整手足甲 安碓硙 补垣 塞穴 修饰垣墙 伐木")) | L("解除 求医疗病");

// ---------------------------------------------------------------------------
// The rules. Each is a 神煞 or officer of the book with what it suits and
// forbids; when it holds is the code of Holds() below, and how its 忌 is
// weighed against the day's 吉神 the code of Weigh().

enum class Kind : std::uint8_t {
  Officer, // 建除: its lists count, its name is the officer's
  Good,    // 吉神
  Bad,     // 凶煞
  Day,     // a kind of day (亥子日, 分至, 月忌...): weighed, not listed among the spirits
  Grade,   // the 宜忌等第 itself
};

struct RuleRow {
  Rule Named;
  Kind Type;
  ItemSet Suits;
  ItemSet Avoids;
};

// clang-format off
enum R : std::uint8_t {
  None,
  // 建除 officers (卷十 宜忌: 建日..闭日).
  OJian, OChu, OMan, OPing, ODing, OZhi, OPo, OWei, OCheng, OShou, OKai, OBi,
  // 吉神 of the month (卷五 义例三, 卷六 义例四; 宜 from 卷十).
  TianDe, YueDe, TianDeHe, YueDeHe, TianShe, TianYuan, YueEn, SiXiang, ShiDe, TianEn, MuCang, YueKong,
  WangRi, GuanRi, ShouRi, XiangRi, MinRi, SanHe, LinRi, YiMa, TianMa, LiuHe, WuFu, TianCang, LiuYi,
  YangDe, YinDe, YaoAn, JingAn, YuYu, JinTang, PuHu, FuSheng, ShengXin, YiHou, XuShi, JieShen, ChuShen,
  WuHe, MingFei, MingFeiDui, HaiZi, WuShen,
  // The officers' other names among the 吉神.
  BingFu, JiQi, BingBao, TianWu, FuDe, ShiYin, TianXi, TianYi, ShiYang, ShengQi,
  // The yellow-path spirits (卷十: 与吉神并则从所宜, no list of their own).
  QingLong, MingTang, JinKui, BaoGuang, YuTang, SiMing,
  // 凶煞 (卷五, 卷六; 忌 from 卷十).
  YueJian, XiaoShi, TuFu, YuePo, DaHao, SiShen, TianGou, XueZhi,
  JieSha, ZaiSha, TianHuo, YueSha, YueXu, YueXing, YueHai, TianGang, HeKui, YueYan, DiHuo, YanDui,
  ZhaoYao, DaShi, XianChi, YouHuo, TianLi, SiQi, XiaoHao, TianZei, SiJi, SiHao, SiFei, SiJiDay, SiQiong,
  WuXu, BaFeng, WuMu, JiuKong, JiuKan, JiuJiao, TuFuDay, GuiJi, XueJi, WangWang, FuRi, ChongRi, WuLi, BaZhuan, ChuShuiLong, WuLu,
  SiLi, SiJue, HuiRi, FenZhi, YueJi, ShiWu, ShuoWang, BaiJi,
  TianXing, ZhuQue, BaiHu, TianLao, XuanWu, GouChen,
  GradeTable,
  RuleCount
};

inline constexpr std::string_view V3 = "卷五 义例三";
inline constexpr std::string_view V4 = "卷六 义例四";
inline constexpr std::string_view V10 = "卷十 宜忌";
inline constexpr std::string_view V35 = "卷三十五 附录";

inline constexpr std::array<RuleRow, RuleCount> Rules{{
    {{"", ""}, Kind::Grade, {}, {}},
    // Officers: name, source, 宜, 忌 (the 忌 of 建 破 平 收 满 闭 are their 凶煞 rows below).
    {{"建日", V10}, Kind::Officer, L("施恩封拜 袭爵受封 诏命公卿 招贤 举正直 行幸 遣使 出行 上官赴任 上官 临政亲民"), {}},
    {{"除日", V10}, Kind::Officer, L("解除 沐浴 整容 剃头 整手足甲 求医疗病 扫舍宇"), {}},
    {{"满日", V10}, Kind::Officer, L("进人口 裁制 裁衣 修仓库 经络 开市 立券交易 纳财 开仓库出货财 补垣 塞穴"),
     L("施恩封拜 袭爵受封 诏命公卿 招贤 举正直 上官赴任 上官 临政亲民 结婚姻 纳采问名 求医疗病")},
    {{"平日", V10}, Kind::Officer, L("修饰垣墙 平治道涂"), LevelDayAvoid},
    {{"定日", V10}, Kind::Officer, L("冠带"), {}},
    {{"执日", V10}, Kind::Officer, L("捕捉"), {}},
    {{"破日", V10}, Kind::Officer, L("求医疗病 破屋坏垣"), {}},
    {{"危日", V10}, Kind::Officer, L("安抚边境 选将训兵 安床"), {}},
    {{"成日", V10}, Kind::Officer, L("入学 安抚边境 般移 筑堤防 开市"), {}},
    {{"收日", V10}, Kind::Officer, L("进人口 纳财 捕捉 纳畜"),
     L("祈福 求嗣 上册进表章 上表章 颁诏 施恩封拜 袭爵受封 诏命公卿 招贤 举正直 宣政事 布政事 庆赐 赏贺 宴会 "
       "冠带 行幸 遣使 出行 安抚边境 选将训兵 出师 上官赴任 上官 临政亲民 结婚姻 纳采问名 嫁娶 般移 安床 解除 "
       "求医疗病 裁制 裁衣 营建宫室 修宫室 缮城郭 筑堤防 兴造动土 修造动土 竖柱上梁 鼓铸 经络 酝酿 开市 立券交易 "
       "开仓库出货财 修置产室 开渠 穿井 破土 安葬 启攒 会亲友")},
    {{"开日", V10}, Kind::Officer,
     L("祭祀 祈福 求嗣 上册进表章 上表章 颁诏 覃恩 肆赦 施恩封拜 袭爵受封 诏命公卿 招贤 举正直 施恩惠 恤孤惸 "
       "宣政事 行惠爱 雪冤枉 缓刑狱 庆赐 赏贺 宴会 入学 行幸 遣使 出行 上官赴任 上官 临政亲民 般移 解除 求医疗病 "
       "裁制 裁衣 修宫室 缮城郭 兴造动土 修造动土 竖柱上梁 开市 修置产室 开渠 穿井 安碓硙 栽种 牧养"),
     L("伐木 畋猎 取鱼 破土 安葬 启攒")},
    {{"闭日", V10}, Kind::Officer, L("筑堤防 补垣 塞穴"),
     L("上册进表章 上表章 颁诏 施恩封拜 袭爵受封 诏命公卿 招贤 举正直 宣政事 布政事 庆赐 赏贺 宴会 行幸 遣使 "
       "出行 出师 上官赴任 上官 临政亲民 结婚姻 纳采问名 嫁娶 进人口 般移 安床 求医疗病 疗目 营建宫室 修宫室 "
       "兴造动土 修造动土 竖柱上梁 开市 开仓库出货财 修置产室 开渠 穿井 会亲友")},
    // 吉神.
    {{"天德", V3}, Kind::Good, VirtueSuits, L("畋猎 取鱼")},
    {{"月德", V3}, Kind::Good, VirtueSuits, L("畋猎 取鱼")},
    {{"天德合", V3}, Kind::Good, VirtueSuits, L("畋猎 取鱼")},
    {{"月德合", V3}, Kind::Good, VirtueSuits, L("畋猎 取鱼")},
    {{"天赦", V3}, Kind::Good, VirtueSuits - L("出师"), L("畋猎 取鱼")},
    {{"天愿", V3}, Kind::Good,
     (VirtueSuits - L("出师 解除 求医疗病")) | L("进人口 经络 酝酿 开市 立券交易 纳财"), {}},
    {{"月恩", V3}, Kind::Good,
     L("祭祀 祈福 求嗣 施恩封拜 袭爵受封 举正直 庆赐 赏贺 宴会 行幸 遣使 出行 上官赴任 上官 临政亲民 结婚姻 "
       "纳采问名 般移 解除 求医疗病 裁制 裁衣 修宫室 缮城郭 兴造动土 修造动土 竖柱上梁 纳财 开仓库出货财 栽种 "
       "牧养 会亲友"), {}},
    {{"四相", V3}, Kind::Good, {}, {}}, // the lists of 月恩 (Suits() reads them from there)
    {{"时德", V3}, Kind::Good, {}, {}},
    {{"天恩", V3}, Kind::Good, L("覃恩 肆赦 施恩惠 恤孤惸 布政事 行惠爱 雪冤枉 缓刑狱 庆赐 赏贺 宴会"), {}},
    {{"母仓", V3}, Kind::Good, L("纳财 栽种 牧养 纳畜"), {}},
    {{"月空", V3}, Kind::Good, L("上表章"), {}},
    {{"王日", V3}, Kind::Good,
     L("颁诏 覃恩 肆赦 施恩封拜 袭爵受封 诏命公卿 招贤 举正直 施恩惠 恤孤惸 宣政事 行惠爱 雪冤枉 缓刑狱 庆赐 "
       "赏贺 宴会 行幸 遣使 出行 安抚边境 选将训兵 上官赴任 上官 临政亲民 裁制 裁衣"), {}},
    {{"官日", V3}, Kind::Good, L("袭爵受封 上官赴任 上官 临政亲民"), {}},
    {{"守日", V3}, Kind::Good, L("袭爵受封 上官赴任 上官 临政亲民 安抚边境"), {}},
    {{"相日", V3}, Kind::Good, L("袭爵受封 上官赴任 上官 临政亲民"), {}},
    {{"民日", V3}, Kind::Good, L("宴会 结婚姻 纳采问名 进人口 般移 开市 立券交易 纳财 栽种 牧养 纳畜 会亲友"), {}},
    {{"三合", V4}, Kind::Good,
     L("庆赐 赏贺 宴会 结婚姻 纳采问名 嫁娶 进人口 裁制 裁衣 修宫室 缮城郭 兴造动土 修造动土 竖柱上梁 修仓库 "
       "经络 酝酿 立券交易 纳财 安碓硙 纳畜 会亲友"), {}},
    {{"临日", V4}, Kind::Good, L("上册进表章 上表章 上官赴任 上官 临政亲民 陈词讼"), {}},
    {{"驿马", V4}, Kind::Good, L("行幸 遣使 出行 般移"), {}},
    {{"天马", V4}, Kind::Good, L("行幸 遣使 出行 般移"), {}},
    {{"六合", V4}, Kind::Good, L("宴会 结婚姻 嫁娶 进人口 经络 酝酿 立券交易 纳财 纳畜 安葬 会亲友"), {}},
    {{"五富", V4}, Kind::Good, L("经络 酝酿 开市 立券交易 纳财 开仓库出货财 栽种 牧养 纳畜"), {}},
    {{"天仓", V4}, Kind::Good, L("进人口 纳财 纳畜"), {}},
    {{"六仪", V4}, Kind::Good, L("临政亲民"), {}},
    {{"阳德", V4}, Kind::Good, L("施恩惠 恤孤惸 行惠爱 雪冤枉 缓刑狱"), {}},
    {{"阴德", V4}, Kind::Good, L("施恩惠 恤孤惸 行惠爱 雪冤枉 缓刑狱"), {}},
    {{"要安", V4}, Kind::Good, L("安神"), {}},
    {{"敬安", V4}, Kind::Good, L("安神"), {}},
    {{"玉宇", V4}, Kind::Good, L("修祠宇"), {}},
    {{"金堂", V4}, Kind::Good, L("修祠宇"), {}},
    {{"普护", V4}, Kind::Good, L("祭祀 祈福"), {}},
    {{"福生", V4}, Kind::Good, L("祭祀 祈福"), {}},
    {{"圣心", V4}, Kind::Good, L("祭祀 祈福"), {}},
    {{"益后", V4}, Kind::Good, L("祭祀 祈福 求嗣"), {}},
    {{"续世", V4}, Kind::Good, L("祭祀 祈福 求嗣"), {}},
    {{"解神", V3}, Kind::Good, L("上表章 陈词讼 解除 沐浴 整容 剃头 整手足甲 求医疗病"), {}},
    {{"除神", V3}, Kind::Good, L("解除 沐浴 整容 剃头 整手足甲 求医疗病 扫舍宇"), {}},
    {{"五合", V3}, Kind::Good, L("宴会 结婚姻 立券交易 会亲友"), {}},
    {{"鸣吠", V3}, Kind::Good, L("破土 安葬"), {}},
    {{"鸣吠对", V3}, Kind::Good, L("破土 启攒"), {}},
    {{"亥子日", V10}, Kind::Day, L("沐浴"), {}},
    {{"午申日", V10}, Kind::Day, {}, {}}, // 立冬后立春前宜伐木, in Suits()
    {{"兵福", V4}, Kind::Good, Military, {}},
    {{"吉期", V4}, Kind::Good, L("施恩封拜 袭爵受封 举正直 行幸 遣使 出行 上官赴任 上官 临政亲民"), {}},
    {{"兵宝", V4}, Kind::Good, Military, {}},
    {{"天巫", V4}, Kind::Good, L("祭祀 祈福"), {}},
    {{"福德", V4}, Kind::Good, L("上册进表章 上表章 庆赐 赏贺 宴会 修宫室 缮城郭"), {}},
    {{"时阴", V4}, Kind::Good, L("运谋算画计策"), {}},
    {{"天喜", V4}, Kind::Good,
     L("施恩封拜 袭爵受封 举正直 庆赐 赏贺 宴会 行幸 遣使 出行 上官赴任 上官 临政亲民 结婚姻 纳采问名 嫁娶 会亲友"), {}},
    {{"天医", V4}, Kind::Good, L("求医疗病"), {}},
    {{"时阳", V4}, Kind::Good, {}, {}},
    {{"生气", V4}, Kind::Good, {}, {}},
    {{"青龙", V4}, Kind::Good, {}, {}},
    {{"明堂", V4}, Kind::Good, {}, {}},
    {{"金匮", V4}, Kind::Good, {}, {}},
    {{"宝光", V4}, Kind::Good, {}, {}},
    {{"玉堂", V4}, Kind::Good, {}, {}},
    {{"司命", V4}, Kind::Good, {}, {}},
    // 凶煞.
    {{"月建", V4}, Kind::Bad, {},
     L("祈福 求嗣 上册进表章 上表章 结婚姻 纳采问名 解除 整容 剃头 整手足甲 求医疗病 营建宫室 修宫室 缮城郭 "
       "兴造动土 修造动土 竖柱上梁 修仓库 开仓库出货财 修置产室 破屋坏垣 伐木 栽种 破土 安葬 启攒")},
    {{"小时", V4}, Kind::Bad, {}, {}},
    {{"土府", V4}, Kind::Bad, {}, EarthWorks},
    {{"月破", V4}, Kind::Bad, {}, GreatAvoids},
    {{"大耗", V4}, Kind::Bad, {}, L("修仓库 开市 立券交易 纳财 开仓库出货财")},
    {{"死神", V4}, Kind::Bad, {}, L("安抚边境 选将训兵 出师 进人口 解除 求医疗病 修置产室 栽种 牧养 纳畜")},
    {{"天狗", V4}, Kind::Bad, {}, {}},
    {{"血支", V4}, Kind::Bad, {}, L("针刺")},
    {{"劫煞", V4}, Kind::Bad, {}, ThreeKillingsAvoid},
    {{"灾煞", V4}, Kind::Bad, {}, ThreeKillingsAvoid},
    {{"天火", V4}, Kind::Bad, {}, L("苫盖")},
    {{"月煞", V4}, Kind::Bad, {}, ThreeKillingsAvoid},
    {{"月虚", V4}, Kind::Bad, {}, L("修仓库 开仓库出货财")},
    {{"月刑", V4}, Kind::Bad, {}, ThreeKillingsAvoid},
    {{"月害", V4}, Kind::Bad, {},
     L("祈福 求嗣 上册进表章 上表章 庆赐 赏贺 宴会 安抚边境 选将训兵 出师 结婚姻 纳采问名 嫁娶 进人口 求医疗病 "
       "修仓库 经络 酝酿 开市 立券交易 纳财 开仓库出货财 修置产室 牧养 纳畜 破土 安葬 启攒 会亲友")},
    // 天罡 and 河魁 stand on the month's 平日 and 收日 by turns; what they forbid is
    // what those officers forbid, so they name the day and add no list of their own.
    {{"天罡", V4}, Kind::Bad, {}, {}},
    {{"河魁", V4}, Kind::Bad, {}, {}},
    {{"月厌", V4}, Kind::Bad, {}, ThreeKillingsAvoid | L("远回 平治道涂 伐木")},
    {{"地火", V4}, Kind::Bad, {}, L("栽种 修筑园圃")},
    {{"厌对", V4}, Kind::Bad, {}, L("嫁娶")},
    {{"招摇", V4}, Kind::Bad, {}, L("取鱼 乘船渡水")},
    {{"大时", V4}, Kind::Bad, {},
     L("祈福 求嗣 上册进表章 上表章 施恩封拜 袭爵受封 诏命公卿 招贤 举正直 冠带 行幸 遣使 出行 安抚边境 选将训兵 "
       "出师 上官赴任 上官 临政亲民 结婚姻 纳采问名 嫁娶 进人口 般移 安床 解除 求医疗病 营建宫室 修宫室 缮城郭 "
       "筑堤防 兴造动土 修造动土 竖柱上梁 修仓库 开市 立券交易 纳财 开仓库出货财 修置产室 栽种 牧养 纳畜 会亲友")},
    {{"咸池", V4}, Kind::Bad, {}, L("取鱼 乘船渡水")},
    {{"游祸", V4}, Kind::Bad, {}, L("祈福 求嗣 解除 求医疗病")},
    {{"天吏", V4}, Kind::Bad, {},
     L("祈福 求嗣 上册进表章 上表章 施恩封拜 袭爵受封 诏命公卿 招贤 举正直 冠带 行幸 遣使 出行 安抚边境 选将训兵 "
       "出师 上官赴任 上官 临政亲民 结婚姻 纳采问名 嫁娶 进人口 般移 安床 解除 求医疗病 营建宫室 修宫室 缮城郭 "
       "筑堤防 兴造动土 修造动土 竖柱上梁 修仓库 开市 立券交易 纳财 开仓库出货财 修置产室 栽种 牧养 纳畜 会亲友")},
    {{"死气", V4}, Kind::Bad, {}, L("安抚边境 选将训兵 出师 解除 求医疗病 修置产室 栽种")},
    {{"小耗", V4}, Kind::Bad, {}, L("修仓库 开市 立券交易 纳财 开仓库出货财")},
    {{"天贼", V4}, Kind::Bad, {}, L("行幸 遣使 出行 修仓库 开仓库出货财")},
    {{"四击", V3}, Kind::Bad, {}, Military},
    {{"四耗", V3}, Kind::Bad, {}, Military | L("修仓库 开市 立券交易 纳财 开仓库出货财")},
    {{"四废", V3}, Kind::Bad, {}, ThreeKillingsAvoid - L("整容 剃头 整手足甲 破屋坏垣")},
    {{"四忌", V3}, Kind::Bad, {}, Military | L("结婚姻 纳采问名 嫁娶 安葬")},
    {{"四穷", V3}, Kind::Bad, {},
     Military | L("结婚姻 纳采问名 嫁娶 安葬 进人口 修仓库 开市 立券交易 纳财 开仓库出货财")},
    {{"五虚", V3}, Kind::Bad, {}, L("修仓库 开仓库出货财")},
    {{"八风", V3}, Kind::Bad, {}, L("取鱼 乘船渡水")},
    {{"五墓", V3}, Kind::Bad, {},
     L("冠带 行幸 遣使 出行 安抚边境 选将训兵 出师 上官赴任 上官 临政亲民 结婚姻 纳采问名 嫁娶 进人口 般移 安床 "
       "解除 求医疗病 营建宫室 修宫室 兴造动土 修造动土 竖柱上梁 开市 立券交易 修置产室 栽种 牧养 纳畜 破土 安葬 "
       "启攒 会亲友")},
    {{"九空", V3}, Kind::Bad, {}, L("进人口 修仓库 开市 立券交易 纳财 开仓库出货财")},
    {{"九坎", V3}, Kind::Bad, {}, L("补垣 塞穴 取鱼 乘船渡水")},
    {{"九焦", V3}, Kind::Bad, {}, L("鼓铸 栽种 修筑园圃")},
    {{"土符", V4}, Kind::Bad, {}, EarthWorks},
    {{"归忌", V4}, Kind::Bad, {}, L("般移 远回")},
    {{"血忌", V4}, Kind::Bad, {}, L("针刺")},
    {{"往亡", V4}, Kind::Bad, {},
     L("上册进表章 上表章 颁诏 诏命公卿 招贤 宣政事 行幸 遣使 出行 安抚边境 选将训兵 出师 上官赴任 上官 临政亲民 "
       "嫁娶 进人口 般移 求医疗病 捕捉 畋猎 取鱼")},
    {{"复日", V3}, Kind::Bad, L("裁制 裁衣"), L("破土 安葬 启攒")},
    {{"重日", V3}, Kind::Bad, {}, L("破土 安葬 启攒")},
    {{"五离", V3}, Kind::Bad, {}, L("庆赐 赏贺 宴会 结婚姻 纳采问名 立券交易 会亲友")},
    {{"八专", V3}, Kind::Bad, {}, Military | L("结婚姻 纳采问名 嫁娶")},
    {{"触水龙", V3}, Kind::Bad, {}, L("取鱼 乘船渡水")},
    // 无禄: 止注 these, 余事不注 (Avoids holds what it keeps).
    {{"无禄", V3}, Kind::Bad, {},
     L("祭祀 解除 沐浴 整容 剃头 整手足甲 扫舍宇 修饰垣墙 平治道涂 破屋坏垣 伐木")},
    // 四离 四绝 晦日: 止不忌 these, 余事皆忌 (Avoids holds what it spares).
    {{"四离", V10}, Kind::Bad, {},
     L("祭祀 解除 沐浴 整容 剃头 整手足甲 补垣 塞穴 扫舍宇 修饰垣墙 平治道涂 破屋坏垣 伐木")},
    {{"四绝", V10}, Kind::Bad, {},
     L("祭祀 解除 沐浴 整容 剃头 整手足甲 补垣 塞穴 扫舍宇 修饰垣墙 平治道涂 破屋坏垣 伐木")},
    {{"晦日", V10}, Kind::Day, {},
     L("祭祀 解除 沐浴 整容 剃头 整手足甲 补垣 塞穴 扫舍宇 修饰垣墙 平治道涂 破屋坏垣 伐木")},
    // 二分二至: 不注 these among the 宜.
    {{"分至", V10}, Kind::Day, {},
     L("上册进表章 上表章 庆赐 赏贺 宴会 行幸 遣使 出行 安抚边境 选将训兵 出师 上官赴任 上官 临政亲民 结婚姻 "
       "纳采问名 嫁娶 进人口 般移 开市 立券交易 捕捉 畋猎 取鱼 会亲友")},
    // 月忌日 (初五 十四 廿三): 止注 these, 余事不注.
    {{"月忌", V10}, Kind::Day, {},
     L("祭祀 宴会 沐浴 整容 剃头 整手足甲 求医疗病 补垣 扫舍宇 修饰垣墙 平治道涂")},
    {{"十五日", V10}, Kind::Day, {}, L("求医疗病")},
    {{"朔望", V10}, Kind::Day, {}, L("求医疗病")},
    {{"百忌日", V10}, Kind::Day, {}, {}}, // by stem and branch, in Avoids()
    {{"天刑", V4}, Kind::Bad, {}, {}},
    {{"朱雀", V4}, Kind::Bad, {}, {}},
    {{"白虎", V4}, Kind::Bad, {}, {}},
    {{"天牢", V4}, Kind::Bad, {}, {}},
    {{"玄武", V4}, Kind::Bad, {}, {}},
    {{"勾陈", V4}, Kind::Bad, {}, {}},
    {{"宜忌等第", V10}, Kind::Grade, {}, {}},
}};
// clang-format on
static_assert(Rules.size() == RuleCount && RuleCount <= 256);
static_assert(Rules[GradeTable].Named.Name == "宜忌等第" && Rules[OBi].Named.Name == "闭日");
static_assert(Rules[GouChen].Named.Name == "勾陈" && Rules[SiMing].Named.Name == "司命");

// 百忌日 (卷十): what each stem and each branch forbids.
inline constexpr std::array<ItemSet, StemCount> StemAvoids{
    {L("开仓库出货财"), L("栽种"), {}, L("剃头"), {}, {}, L("经络"), L("酝酿"), L("开渠"), {}}};
inline constexpr std::array<ItemSet, BranchCount> BranchAvoids{{{},
                                                                L("冠带"),
                                                                L("祭祀"),
                                                                L("穿井"),
                                                                {},
                                                                L("出行"),
                                                                L("苫盖"),
                                                                L("求医疗病"),
                                                                L("安床"),
                                                                L("宴会"),
                                                                {},
                                                                L("嫁娶")}};

} // namespace

const Rule &GetRule(int number) { return Rules[static_cast<std::size_t>(std::clamp(number, 0, RuleCount - 1))].Named; }

std::string_view StemName(int stem) { return Stems[static_cast<std::size_t>(((stem % 10) + 10) % 10)]; }
std::string_view BranchName(int branch) { return Branches[static_cast<std::size_t>(((branch % 12) + 12) % 12)]; }
std::string_view AnimalName(int branch) { return Animals[static_cast<std::size_t>(((branch % 12) + 12) % 12)]; }
std::string_view OfficerName(int officer) { return Officers[static_cast<std::size_t>(std::clamp(officer, 0, 11))]; }
std::string_view MansionName(int mansion) { return Mansions[static_cast<std::size_t>(std::clamp(mansion, 0, 27))]; }
std::string_view StarName(int star) { return Stars[static_cast<std::size_t>(std::clamp(star, 1, 9) - 1)]; }
std::string_view SoundName(GanZhi value) { return Sounds[static_cast<std::size_t>(value.Index / 2)]; }

QByteArray GanZhiText(GanZhi value) {
  QByteArray text(StemName(value.Stem()).data(), static_cast<qsizetype>(StemName(value.Stem()).size()));
  text.append(BranchName(value.Branch()).data(), static_cast<qsizetype>(BranchName(value.Branch()).size()));
  return text;
}

std::string_view GradeName(Grade grade) {
  switch (grade) {
  case Grade::BothKept:
    return "宜忌并从";
  case Grade::FollowSuited:
    return "从宜不从忌";
  case Grade::Balanced:
    return "吉凶相抵，忌则不宜，宜则不忌";
  case Grade::FollowAvoided:
    return "从忌不从宜";
  case Grade::AllAvoided:
    break;
  }
  return "诸事皆忌";
}

} // namespace Almanac

// ---------------------------------------------------------------------------
// The day.

namespace Almanac {
namespace {

constexpr sys_days Epoch = sys_days{year{1970} / January / 1};
// The cycle place of day 0 of sys_days, 1970-01-01 (辛巳, 17): 1949-10-01 was
// a 甲子 day (checked below through 2000-01-01, 戊午, 54).
constexpr int DayZeroCycle = 17;
// The mansion of day 0: 2024-02-10, a Saturday, was 氐 (2), the 土 mansion of the week.
constexpr int DayZeroMansion = 7;
static_assert((sys_days{year{2000} / January / 1} - Epoch).count() % 60 + DayZeroCycle == 54);
static_assert(((sys_days{year{1949} / October / 1} - Epoch).count() % 60 + 60 + DayZeroCycle) % 60 == 0);
static_assert(((sys_days{year{2024} / February / 10} - Epoch).count() + DayZeroMansion) % 28 == 2);

constexpr int Mod(int value, int base) { return ((value % base) + base) % base; }

// A list of cycle days written as their 干支 separated by blanks, as a 60-bit mask.
consteval std::uint64_t Days(std::string_view list) {
  std::uint64_t mask = 0;
  for (std::size_t at = 0; at < list.size();) {
    if (list[at] == ' ') {
      ++at;
      continue;
    }
    int stem = -1, branch = -1;
    for (int i = 0; i < StemCount; ++i)
      if (list.substr(at, 3) == Stems[static_cast<std::size_t>(i)])
        stem = i;
    for (int i = 0; i < BranchCount; ++i)
      if (list.substr(at + 3, 3) == Branches[static_cast<std::size_t>(i)])
        branch = i;
    if (stem < 0 || branch < 0 || stem % 2 != branch % 2)
      throw "unknown 干支"; // NOLINT: compile-time error only
    mask |= std::uint64_t{1} << MakeGanZhi(stem, branch).Index;
    at += 6;
  }
  return mask;
}

// clang-format off
// Month tables, index the month's place from 寅 (0 = 正月 .. 11 = 十二月); -1 none.
// 卷五 义例三 天德: 正丁 二坤 三壬 四辛 五乾 六甲 七癸 八艮 九丙 十乙 十一巽 十二庚;
// in the 仲 months it stands on a trigram, which no day is.
inline constexpr std::array<int, 12> TianDeStem{3, -1, 8, 7, -1, 0, 9, -1, 2, 1, -1, 6};
inline constexpr std::array<int, 12> TianDeHeStem{8, -1, 3, 2, -1, 5, 4, -1, 7, 6, -1, 1}; // its 五合
inline constexpr std::array<int, 12> YueEnStem{2, 3, 6, 5, 4, 7, 8, 9, 6, 1, 0, 7};        // the stem the month bears
inline constexpr std::array<int, 12> LinBranch{6, 11, 8, 1, 10, 3, 0, 5, 2, 7, 4, 9};       // 卷六 临日
inline constexpr std::array<int, 12> JiuKongBranch{4, 1, 10, 7, 3, 0, 9, 6, 2, 11, 8, 5};   // 卷五 九空 九坎 九焦
inline constexpr std::array<int, 12> TuFuBranch{1, 5, 9, 2, 6, 10, 3, 7, 11, 4, 8, 0};      // 卷六 土符
inline constexpr std::array<int, 12> WangWangBranch{2, 5, 8, 11, 3, 6, 9, 0, 4, 7, 10, 1};  // 卷六 往亡
inline constexpr std::array<int, 12> FuRiStem{0, 1, 4, 2, 3, 5, 6, 7, 4, 8, 9, 5};          // 卷五 复日: the month's own stem
// 卷五 天愿, one day a month: 正月乙亥 .. 十二月甲子.
inline constexpr std::array<std::string_view, 12> TianYuanDays{
    "乙亥", "甲戌", "乙酉", "丙申", "丁未", "戊午", "己巳", "庚辰", "辛卯", "壬寅", "癸丑", "甲子"};
// By the month branch's triad (branch % 4: 0 申子辰, 1 巳酉丑, 2 寅午戌, 3 亥卯未); 卷五, 卷六.
inline constexpr std::array<int, 4> YueDeStem{8, 6, 2, 0};    // 壬 庚 丙 甲
inline constexpr std::array<int, 4> YueDeHeStem{3, 1, 7, 5};  // 丁 乙 辛 己
inline constexpr std::array<int, 4> YueKongStem{2, 0, 8, 6};  // 丙 甲 壬 庚
inline constexpr std::array<int, 4> YiMaBranch{2, 11, 8, 5};  // 寅 亥 申 巳
inline constexpr std::array<int, 4> JieShaBranch{5, 2, 11, 8}; // 劫煞: the triad's 绝
inline constexpr std::array<int, 4> ZaiShaBranch{6, 3, 0, 9};  // 灾煞: its 胎, facing the 旺
inline constexpr std::array<int, 4> YueShaBranch{7, 4, 1, 10}; // 月煞: its 养
inline constexpr std::array<int, 4> DaShiBranch{9, 6, 3, 0};   // 大时: its 沐浴 (败)
// 月刑 of each month branch 子..亥.
inline constexpr std::array<int, 12> XingBranch{3, 10, 5, 0, 4, 8, 6, 1, 2, 9, 7, 11};
// By season (0 = 寅卯辰 .. 3 = 亥子丑); 卷五 义例三.
inline constexpr std::array<std::string_view, 4> TianSheDays{"戊寅", "甲午", "戊申", "甲子"};
inline constexpr std::array<int, 4> SiXiangStem{2, 4, 8, 0};  // 丙丁 戊己 壬癸 甲乙
inline constexpr std::array<int, 4> ShiDeBranch{6, 4, 0, 2};  // 午 辰 子 寅
inline constexpr std::array<int, 4> WangBranch{2, 5, 8, 11};  // 王日; 官 +1, 守 +7, 相 +3, 民 +4
inline constexpr std::array<int, 4> SiJiBranch{10, 1, 4, 7};  // 四击
inline constexpr std::array<std::uint64_t, 4> MuCangDays{
    Days("乙亥 丁亥 己亥 辛亥 癸亥 甲子 丙子 戊子 庚子 壬子"),
    Days("甲寅 丙寅 戊寅 庚寅 壬寅 乙卯 丁卯 己卯 辛卯 癸卯"),
    Days("甲辰 丙辰 戊辰 庚辰 壬辰 甲戌 丙戌 戊戌 庚戌 壬戌 乙丑 丁丑 己丑 辛丑 癸丑 乙未 丁未 己未 辛未 癸未"),
    Days("甲申 丙申 戊申 庚申 壬申 乙酉 丁酉 己酉 辛酉 癸酉")};
inline constexpr std::array<std::uint64_t, 4> SiHaoDays{Days("壬子"), Days("乙卯"), Days("戊午"), Days("辛酉")};
inline constexpr std::array<std::uint64_t, 4> SiFeiDays{Days("庚申 辛酉"), Days("壬子 癸亥"), Days("甲寅 乙卯"), Days("丙午 丁巳")};
inline constexpr std::array<std::uint64_t, 4> SiJiDays{Days("甲子"), Days("丙子"), Days("庚子"), Days("壬子")};
inline constexpr std::array<std::uint64_t, 4> SiQiongDays{Days("乙亥"), Days("丁亥"), Days("辛亥"), Days("癸亥")};
inline constexpr std::array<std::uint64_t, 4> BaFengDays{Days("丁丑 己酉"), Days("甲申 甲辰"), Days("辛未 丁未"), Days("甲戌 甲寅")};
// 五墓 by month branch 子..亥: the season's 旺 stem over its 墓; 戊辰 in the 季 months.
inline constexpr std::array<std::string_view, 12> WuMuDays{
    "壬辰", "戊辰", "乙未", "乙未", "戊辰", "丙戌", "丙戌", "戊辰", "辛丑", "辛丑", "戊辰", "壬辰"};
// Days of the cycle (卷五 义例三).
inline constexpr std::uint64_t TianEnDays = Days("甲子 乙丑 丙寅 丁卯 戊辰 己卯 庚辰 辛巳 壬午 癸未 己酉 庚戌 辛亥 壬子 癸丑");
inline constexpr std::uint64_t MingFeiDays = Days("庚午 壬申 癸酉 壬午 甲申 乙酉 己酉 丙申 丁酉 壬寅 丙午 己卯 庚申 辛酉");
inline constexpr std::uint64_t MingFeiDuiDays = Days("丙寅 丁卯 丙子 辛卯 甲午 庚子 癸卯 壬子 甲寅 乙卯");
inline constexpr std::uint64_t BaZhuanDays = Days("甲寅 乙卯 丁未 戊戌 己未 庚申 辛酉 癸丑");
inline constexpr std::uint64_t ChuShuiLongDays = Days("丙子 癸丑 癸未");
inline constexpr std::uint64_t WuLuDays = Days("甲辰 乙巳 丙申 丁亥 戊戌 己丑 庚辰 辛巳 壬申 癸亥"); // 十恶大败
// clang-format on

consteval int DayOf(std::string_view day) { return std::countr_zero(Days(day)); }

// 九星 of the day: the solstices of 1900, before the solar-term table, from
// which the days of early 1901 count.
constexpr sys_days WinterSolstice1900 = sys_days{year{1900} / December / 22};
constexpr sys_days SummerSolstice1900 = sys_days{year{1900} / June / 22};

// The day of the term'th solar term (1 = 小寒 .. 24 = 冬至) of a table year.
sys_days TermDay(int year, int term) {
  const int month = (term + 1) / 2;
  const std::uint8_t byte = SolarTermTable[static_cast<std::size_t>((year - FirstTableYear) * 12 + month - 1)];
  const int day = term % 2 == 1 ? 15 - (byte >> 4) : 15 + (byte & 0x0F);
  return sys_days{std::chrono::year{year} / month / day};
}

struct Context {
  year_month_day Date;
  sys_days Day;
  GanZhi YearGz, MonthGz, DayGz;
  int MonthBranch = 0; // [0, 11]
  int Month = 0;       // [0, 11], 0 = 寅月 (正月)
  int Season = 0;      // [0, 3], 0 = 寅卯辰
  int Triad = 0;       // MonthBranch % 4
  int TermYear = 0;    // the Gregorian year whose 立春 began the year
  int Stem = 0, Branch = 0;
  int Officer = 0;
  int Term = 0;      // the term in progress [1, 24]
  int TermToday = 0; // the term of the day, 0 = none
  int TermTomorrow = 0;
  int LunarDay = 0; // [1, 30]
  bool LastLunarDay = false;
};

Context MakeContext(year_month_day date) {
  Context c;
  c.Date = date;
  c.Day = sys_days{date};
  const int y = static_cast<int>(date.year());
  const int m = static_cast<int>(static_cast<unsigned>(date.month()));
  const int d = static_cast<int>(static_cast<unsigned>(date.day()));
  const std::uint8_t byte = SolarTermTable[static_cast<std::size_t>((y - FirstTableYear) * 12 + m - 1)];
  const int firstTerm = 15 - (byte >> 4), secondTerm = 15 + (byte & 0x0F);
  c.Term = d >= secondTerm ? 2 * m : d >= firstTerm ? 2 * m - 1 : Mod(2 * m - 2 - 1, 24) + 1;
  c.TermToday = d == firstTerm ? 2 * m - 1 : d == secondTerm ? 2 * m : 0;
  const year_month_day tomorrow{c.Day + days{1}};
  c.TermTomorrow = SolarTermIndex(static_cast<std::uint16_t>(static_cast<int>(tomorrow.year())),
                                  static_cast<std::uint16_t>(static_cast<unsigned>(tomorrow.month())),
                                  static_cast<std::uint16_t>(static_cast<unsigned>(tomorrow.day())));
  // The month of the last 节 (the first term of each Gregorian month), its
  // branch the Gregorian month's (小寒 丑 .. 大雪 子); the year from 立春.
  c.MonthBranch = d >= firstTerm ? m % 12 : (m + 11) % 12;
  const int termYear = (m > 2 || (m == 2 && d >= firstTerm)) ? y : y - 1;
  c.TermYear = termYear;
  c.YearGz = GanZhi{Mod(termYear - 4, 60)};
  c.Month = Mod(c.MonthBranch - 2, 12);
  c.MonthGz = MakeGanZhi(Mod(c.YearGz.Stem() * 2 + 2 + c.Month, 10), c.MonthBranch);
  c.DayGz = GanZhi{Mod(static_cast<int>((c.Day - Epoch).count()) + DayZeroCycle, 60)};
  c.Season = c.Month / 3;
  c.Triad = c.MonthBranch % 4;
  c.Stem = c.DayGz.Stem();
  c.Branch = c.DayGz.Branch();
  c.Officer = Mod(c.Branch - c.MonthBranch, 12);
  const LunarDateCode code = GetLunarDate(EncodeDate(date));
  c.LunarDay = std::abs(code) % 100;
  c.LastLunarDay =
      std::abs(GetLunarDate(EncodeDate(tomorrow))) % 100 == 1 || (y == LastTableYear && m == 12 && d == 31);
  return c;
}

// The branch of the pair tables 要安..续世, 血忌: base in 正月, +6 in 二月, base + 1
// in 三月, and so on (卷六 义例四).
constexpr int PairBranch(int base, int month) { return Mod(base + month / 2 + (month % 2) * 6, 12); }

using Active = std::array<bool, RuleCount>;

void CollectMonthGods(const Context &c, Active &on) {
  const int m = c.Month, s = c.Stem, b = c.Branch, g = c.DayGz.Index;
  on[TianDe] = TianDeStem[m] == s;
  on[TianDeHe] = TianDeHeStem[m] == s;
  on[YueDe] = YueDeStem[c.Triad] == s;
  on[YueDeHe] = YueDeHeStem[c.Triad] == s;
  on[YueKong] = YueKongStem[c.Triad] == s;
  on[YueEn] = YueEnStem[m] == s;
  on[SiXiang] = s / 2 == SiXiangStem[c.Season] / 2;
  on[ShiDe] = b == ShiDeBranch[c.Season];
  on[TianEn] = (TianEnDays >> g & 1) != 0;
  on[MuCang] = (MuCangDays[c.Season] >> g & 1) != 0;
  on[WangRi] = b == WangBranch[c.Season];
  on[GuanRi] = b == Mod(WangBranch[c.Season] + 1, 12);
  on[ShouRi] = b == Mod(WangBranch[c.Season] + 7, 12);
  on[XiangRi] = b == Mod(WangBranch[c.Season] + 3, 12);
  on[MinRi] = b == Mod(WangBranch[c.Season] + 4, 12);
  on[SanHe] = c.Officer == 4 || c.Officer == 8;
  on[LiuHe] = Mod(b + c.MonthBranch, 12) == 1;
  on[LinRi] = b == LinBranch[m];
  on[YiMa] = b == YiMaBranch[c.Triad];
  on[TianMa] = b == Mod(6 + 2 * m, 12);
  on[WuFu] = b == Mod(11 + 3 * m, 12);
  on[TianCang] = b == Mod(2 - m, 12);
  on[LiuYi] = b == Mod(6 - m, 12);
  on[YangDe] = b == Mod(10 + 2 * m, 12);
  on[YinDe] = b == Mod(9 - 2 * m, 12);
  on[YaoAn] = b == PairBranch(2, m);
  on[YuYu] = b == PairBranch(3, m);
  on[JinTang] = b == PairBranch(4, m);
  on[JingAn] = b == PairBranch(7, m);
  on[PuHu] = b == PairBranch(8, m);
  on[FuSheng] = b == PairBranch(9, m);
  on[ShengXin] = b == PairBranch(11, m);
  on[YiHou] = b == PairBranch(0, m);
  on[XuShi] = b == PairBranch(1, m);
  on[JieShen] = b == Mod(8 + 2 * (m / 2), 12);
}

void CollectDayGods(const Context &c, Active &on) {
  const int b = c.Branch, g = c.DayGz.Index;
  on[ChuShen] = b == 8 || b == 9;
  on[WuHe] = b == 2 || b == 3;
  on[MingFei] = (MingFeiDays >> g & 1) != 0;
  on[MingFeiDui] = (MingFeiDuiDays >> g & 1) != 0;
  on[HaiZi] = b == 11 || b == 0;
  on[WuShen] = (b == 6 || b == 8) && (c.Term >= 21 || c.Term <= 2);
  static constexpr std::array<int, 4> seasonOfTianShe{DayOf("戊寅"), DayOf("甲午"), DayOf("戊申"), DayOf("甲子")};
  on[TianShe] = g == seasonOfTianShe[static_cast<std::size_t>(c.Season)];
  static constexpr std::array<int, 12> tianYuan{DayOf("乙亥"), DayOf("甲戌"), DayOf("乙酉"), DayOf("丙申"),
                                                DayOf("丁未"), DayOf("戊午"), DayOf("己巳"), DayOf("庚辰"),
                                                DayOf("辛卯"), DayOf("壬寅"), DayOf("癸丑"), DayOf("甲子")};
  on[TianYuan] = g == tianYuan[static_cast<std::size_t>(c.Month)];
  // The officers' other names.
  const int o = c.Officer;
  on[BingFu] = on[YueJian] = on[XiaoShi] = on[TuFu] = o == 0;
  on[JiQi] = on[BingBao] = o == 1;
  on[TianWu] = on[FuDe] = on[TianGou] = o == 2;
  on[SiShen] = o == 3;
  on[ShiYin] = on[SiQi] = o == 4;
  on[XiaoHao] = o == 5;
  on[YuePo] = on[DaHao] = o == 6;
  on[TianXi] = on[TianYi] = o == 8;
  on[ShiYang] = on[ShengQi] = o == 10;
  on[XueZhi] = o == 11;
  on[OJian + o] = true;
}

void CollectBadGods(const Context &c, Active &on) {
  const int m = c.Month, s = c.Stem, b = c.Branch, g = c.DayGz.Index, mb = c.MonthBranch;
  on[JieSha] = b == JieShaBranch[c.Triad];
  on[ZaiSha] = on[TianHuo] = b == ZaiShaBranch[c.Triad];
  on[YueSha] = on[YueXu] = b == YueShaBranch[c.Triad];
  on[YueXing] = b == XingBranch[mb];
  on[YueHai] = Mod(b + mb, 12) == 7;
  // 卷六 天罡: 正月巳, seven branches on each month (二月子, 三月未 ..); 河魁 faces it (正月亥).
  on[TianGang] = b == Mod(5 + 7 * m, 12);
  on[HeKui] = b == Mod(11 + 7 * m, 12);
  on[YueYan] = on[DiHuo] = b == Mod(10 - m, 12);
  on[YanDui] = on[ZhaoYao] = b == Mod(4 - m, 12);
  on[DaShi] = on[XianChi] = b == DaShiBranch[c.Triad];
  on[YouHuo] = b == std::array{5, 2, 11, 8}[static_cast<std::size_t>(m % 4)];
  on[TianLi] = b == std::array{9, 6, 3, 0}[static_cast<std::size_t>(m % 4)];
  on[TianZei] = b == Mod(4 + 5 * m, 12);
  on[SiJi] = b == SiJiBranch[c.Season];
  on[SiHao] = (SiHaoDays[c.Season] >> g & 1) != 0;
  on[SiFei] = (SiFeiDays[c.Season] >> g & 1) != 0;
  on[SiJiDay] = (SiJiDays[c.Season] >> g & 1) != 0;
  on[SiQiong] = (SiQiongDays[c.Season] >> g & 1) != 0;
  on[WuXu] =
      Mod(b - std::array{5, 8, 11, 2}[static_cast<std::size_t>(c.Season)], 4) == 0; // 巳酉丑 申子辰 亥卯未 寅午戌
  on[BaFeng] = (BaFengDays[c.Season] >> g & 1) != 0;
  static constexpr std::array<int, 12> wuMu{DayOf("壬辰"), DayOf("戊辰"), DayOf("乙未"), DayOf("乙未"),
                                            DayOf("戊辰"), DayOf("丙戌"), DayOf("丙戌"), DayOf("戊辰"),
                                            DayOf("辛丑"), DayOf("辛丑"), DayOf("戊辰"), DayOf("壬辰")};
  on[WuMu] = g == wuMu[static_cast<std::size_t>(mb)];
  on[JiuKong] = on[JiuKan] = on[JiuJiao] = b == JiuKongBranch[m];
  on[TuFuDay] = b == TuFuBranch[m];
  on[GuiJi] = b == std::array{1, 2, 0}[static_cast<std::size_t>(m % 3)];
  on[XueJi] = b == PairBranch(1, m);
  on[WangWang] = b == WangWangBranch[m];
  on[FuRi] = s == FuRiStem[m];
  on[ChongRi] = b == 5 || b == 11;
  on[WuLi] = b == 8 || b == 9;
  on[BaZhuan] = (BaZhuanDays >> g & 1) != 0;
  on[ChuShuiLong] = (ChuShuiLongDays >> g & 1) != 0;
  on[WuLu] = (WuLuDays >> g & 1) != 0 && (g == DayOf("癸亥") || !(on[TianDe] || on[YueDe]));
  on[SiLi] = c.TermTomorrow == 6 || c.TermTomorrow == 12 || c.TermTomorrow == 18 || c.TermTomorrow == 24;
  on[SiJue] = c.TermTomorrow == 3 || c.TermTomorrow == 9 || c.TermTomorrow == 15 || c.TermTomorrow == 21;
  on[HuiRi] = c.LastLunarDay;
  on[FenZhi] = c.TermToday == 6 || c.TermToday == 12 || c.TermToday == 18 || c.TermToday == 24;
  on[YueJi] = c.LunarDay == 5 || c.LunarDay == 14 || c.LunarDay == 23;
  on[ShiWu] = c.LunarDay == 15;
  on[ShuoWang] = c.LunarDay == 1;
  on[BaiJi] = !StemAvoids[static_cast<std::size_t>(s)].Empty() || !BranchAvoids[static_cast<std::size_t>(b)].Empty();
}

// The spirit of the 黄道/黑道 that rules branch under the given governing
// branch (the month's for the day, the day's for the hours): 青龙 stands on
// 子 under 寅 and 申 and moves two places with each following branch.
constexpr int SpiritOf(int governing, int branch) { return Mod(branch - 2 * Mod(governing - 2, 6), 12); }
static_assert(SpiritOf(2, 0) == 0 && SpiritOf(3, 2) == 0 && SpiritOf(0, 8) == 0 && SpiritOf(1, 10) == 0);

// ---------------------------------------------------------------------------
// Weighing (卷十 宜忌 and its 宜忌等第): how a 凶煞's 忌 stands against the day's 吉神.

enum class Outcome {
  Lifted,   // 不忌: the 吉神 named lift it
  Keeps,    // 止忌 the given items, 余皆不忌 (从宜不从忌)
  Balanced, // 凡所忌者则不注宜，所宜者亦不注忌
  Usual,    // 如常例: 从忌不从宜
  All,      // 诸事皆忌
};

struct Weighing {
  Outcome How = Outcome::Usual;
  ItemSet Keep;           // for Keeps
  std::uint8_t By = None; // the 吉神 that lift or soften, or the rule that decides
};

class Weigher {
public:
  Weigher(const Context &c, const Active &on) : C(c), On(on) {}

  // The first of the rules given that holds, or None.
  template <typename... Names> std::uint8_t Any(Names... names) const {
    std::uint8_t found = None;
    ((found == None && On[names] ? found = names : found), ...);
    return found;
  }
  std::uint8_t Virtue() const { return Any(TianDe, YueDe, TianDeHe, YueDeHe); }
  bool In(std::initializer_list<int> branches) const {
    return std::find(branches.begin(), branches.end(), C.MonthBranch) != branches.end();
  }

  Weighing Weigh(int rule) const;

private:
  static Weighing Usual() { return {}; }
  static Weighing Lift(std::uint8_t by) { return by ? Weighing{Outcome::Lifted, {}, by} : Usual(); }
  static Weighing Keep(std::uint8_t by, ItemSet keep) { return by ? Weighing{Outcome::Keeps, keep, by} : Usual(); }
  static Weighing Balance(std::uint8_t by) { return {Outcome::Balanced, {}, by}; }
  static Weighing BalanceOr(std::uint8_t by) { return by ? Balance(by) : Usual(); }
  static Weighing AllOr(std::uint8_t by) { return by ? Usual() : Weighing{Outcome::All, {}, None}; }

  Weighing Officers(int rule) const;
  Weighing Killings(int rule) const;
  Weighing Others(int rule) const;

  const Context &C;
  const Active &On;
};

constexpr int Zi = 0, Chou = 1, Yin = 2, Mao = 3, Chen = 4, Si = 5, Wu = 6, Wei = 7, Shen = 8, You = 9, Xu = 10,
              Hai = 11;

Weighing Weigher::Officers(int rule) const {
  switch (rule) {
  case YueJian: // 月建: with 德 赦 恩 相 止忌 the earth works and 伐木; in 子午 from 月厌, 辰酉亥 from 月刑
    if (In({Zi, Wu}))
      return Weigh(YueYan);
    if (In({Chen, You, Hai}))
      return Weigh(YueXing);
    return Keep(Any(TianDe, YueDe, TianDeHe, YueDeHe, TianShe, YueEn, SiXiang), EarthWorks | L("伐木"));
  case YuePo: // 月破: in 卯酉 (灾煞 and 月厌) 诸事皆忌; in 子午未申 so too without 德
    if (In({Mao, You}))
      return {Outcome::All, {}, None};
    if (In({Zi, Wu, Wei, Shen}))
      return AllOr(Any(YueDe, TianDeHe, YueDeHe));
    return Usual();
  case OPing:
    if (In({Hai}))
      return Keep(Any(XiangRi), MilitaryAndHealing);
    if (In({Shen}))
      return Keep(Any(TianDe, YueDeHe), MilitaryAndHealing);
    if (In({Yin, Si, Zi}))
      return Weigh(YueXing);
    if (In({Mao, You}))
      return BalanceOr(Any(YueDe));
    if (In({Wu}))
      return BalanceOr(Any(YueDeHe));
    return Weigh(YueSha); // 辰戌丑未
  case OShou:
    if (In({Yin, Shen, Si, Hai}))
      return Weigh(JieSha);
    if (In({Zi, Wu}))
      return BalanceOr(Any(YueDeHe));
    if (In({You}))
      return BalanceOr(Any(YueDe));
    if (In({Mao, Chou, Xu}))
      return Weigh(YueXing);
    return Keep(Virtue(), MilitaryAndHealing); // 辰未
  case OMan:
    if (In({Chen, Xu, Chou, Wei}))
      return Weigh(ZaiSha);
    if (In({Si, Hai}))
      return Weigh(YueYan);
    return Lift(Any(YueDe, TianDeHe, YueDeHe, YueEn, SiXiang));
  case OBi:
    if (In({Yin, Shen, Si, Hai}))
      return Weigh(YueSha);
    return BalanceOr(Any(TianDe, YueDe, TianDeHe, YueDeHe, TianShe, TianYuan));
  default:
    return Usual();
  }
}

Weighing Weigher::Killings(int rule) const {
  switch (rule) {
  case JieSha:
    if (In({Yin, Shen}))
      return {Outcome::Keeps, MilitaryAndHealing, LiuHe};
    if (In({Si, Hai}))
      return Keep(Any(YueDe, TianDeHe), MilitaryAndHealing);
    if (In({Chen, Xu, Chou, Wei}))
      return Virtue() ? Keep(Virtue(), MilitaryAndHealing) : Balance(None);
    return BalanceOr(Any(YueDe, YueDeHe));
  case ZaiSha:
    if (In({Zi, Wu, Mao, You}))
      return Weigh(YuePo);
    if (Virtue())
      return Keep(Virtue(), MilitaryAndHealing);
    return In({Yin, Shen, Si, Hai}) ? Balance(None) : Usual();
  case YueSha:
    if (In({Mao, You}))
      return Any(YueDe, TianYuan) ? Keep(Any(YueDe, TianYuan), MilitaryAndHealing) : Balance(None);
    if (In({Zi, Wu}))
      return BalanceOr(Any(YueDeHe));
    return AllOr(Virtue());
  case YueXing:
    if (In({Si}))
      return Any(YueDe, TianDeHe, TianYuan) ? Keep(Any(YueDe, TianDeHe, TianYuan), MilitaryAndHealing) : Balance(None);
    if (In({Yin, Chen, You, Hai, Chou, Xu}))
      return BalanceOr(Virtue());
    if (In({Wu}))
      return Weigh(YueYan);
    return AllOr(Virtue()); // 子 卯 未 申
  case YueHai:
    if (In({Mao, You, Chou, Wei}))
      return Keep(Any(TianDe, YueDe), MilitaryAndHealing);
    if (In({Chen, Xu}))
      return BalanceOr(Any(TianDeHe, YueDeHe));
    if (In({Zi, Wu}))
      return Weigh(YueSha);
    if (In({Si, Hai}))
      return Weigh(JieSha);
    return In({Yin}) ? Weigh(YueXing) : Weigh(OPing);
  case YueYan:
    if (In({Yin, Shen, Chou, Wei}))
      return Keep(Any(YueDe, TianDeHe, YueDeHe), Military | L("行幸 遣使 出行 上官赴任 上官 临政亲民 结婚姻 纳采问名 "
                                                              "嫁娶 求医疗病 般移 远回 栽种"));
    if (In({Chen, Xu, Si, Hai}))
      return BalanceOr(Any(TianDe, YueDe, YueDeHe));
    if (In({Zi, Wu}))
      return AllOr(Any(TianShe));
    return {Outcome::All, {}, None}; // 卯酉: 月破 and 灾煞 as well
  default:
    return Others(rule);
  }
}

Weighing Weigher::Others(int rule) const {
  switch (rule) {
  case YanDui:
  case ZhaoYao:
    return Lift(Any(TianDe, YueDe, TianDeHe, YueDeHe, TianShe));
  case DaShi:
  case XianChi:
    if (In({Yin, Shen, Si, Hai, Chen, Xu}))
      return {Outcome::Keeps, Military, None};
    if (In({Chou, Wei}))
      return Keep(Any(TianDe, YueDe), Military);
    if (In({Zi, Wu}))
      return BalanceOr(Any(YueDeHe));
    return In({You}) ? BalanceOr(Any(YueDe)) : Weigh(YueXing);
  case TianLi:
    if (In({Yin, Shen, Si, Hai}))
      return Keep(Virtue(), MilitaryAndHealing);
    if (In({Chen, Xu, Chou, Wei}))
      return BalanceOr(Any(TianDe, YueDe, TianDeHe, YueDeHe, TianShe, TianYuan));
    return Weigh(OPing);
  case SiQi:
    return In({Chen, Xu}) ? Usual() : Keep(Virtue(), MilitaryAndHealing);
  case XiaoHao:
    return In({Zi, Wu, Mao, You}) ? Usual() : Lift(Any(TianDe, YueDe, TianDeHe, YueDeHe, TianYuan));
  case SiHao:
    if ((In({Chen}) && Any(TianDe, YueDe)) || (In({Yin, Shen}) && Any(TianDeHe)) || (In({Si}) && Any(YueDeHe)))
      return Keep(Virtue(), Military);
    return In({Chen, Xu, Chou, Wei}) ? Keep(Any(SanHe), Military) : Usual();
  case SiFei:
    return On[YuePo] ? Weighing{Outcome::All, {}, None} : Usual();
  case SiJiDay:
  case SiQiong:
    return Keep(Any(TianYuan), Military);
  case WuXu:
  case BaFeng:
    return Lift(Any(TianDe, YueDe, TianDeHe, YueDeHe, LiuHe));
  case WuMu:
    return In({Zi, Wu}) ? Lift(Any(YueDe)) : Usual();
  case JiuKong:
    if (In({Si, Hai}))
      return Weigh(YueYan);
    if (In({Chen, Xu, Chou, Wei}))
      return Weigh(YuePo);
    return Lift(Any(YueDe, TianDeHe, YueDeHe));
  case FuRi:
  case ChongRi:
    return Lift(Any(TianDe, YueDe, TianDeHe, YueDeHe, TianShe, LiuHe));
  case WuLi:
    return Lift(Any(TianDe, YueDe, TianDeHe, YueDeHe, TianShe, SanHe, LiuHe));
  case BaZhuan:
    return Keep(Any(TianYuan), Military);
  default: // 遇德犹忌: 游祸 天贼 四击 九坎 九焦 土符 归忌 血忌 往亡 触水龙 四离 四绝 晦日 ...
    return Usual();
  }
}

Weighing Weigher::Weigh(int rule) const {
  switch (rule) {
  case YueJian:
  case XiaoShi:
  case YuePo:
  case DaHao:
  case OPing:
  case SiShen:
  case OShou:
  case OMan:
  case OBi:
  case XueZhi:
    return Officers(rule == XiaoShi  ? YueJian
                    : rule == DaHao  ? YuePo
                    : rule == SiShen ? OPing
                    : rule == XueZhi ? OBi
                                     : rule);
  default:
    return Killings(rule);
  }
}

// What a day's items have gathered while the rules are weighed.
struct Ledger {
  std::array<ItemReasons, Items.size()> Suits{}, Avoids{}, Lifted{};
  std::array<bool, Items.size()> SuitKept{}, AvoidKept{};
  Grade DayGrade = Grade::BothKept;
  std::uint8_t GradeRule = None;

  static void Note(std::array<std::uint8_t, MaxReasons> &list, int &count, std::uint8_t rule) {
    for (int i = 0; i < count; ++i)
      if (list[static_cast<std::size_t>(i)] == rule)
        return;
    if (count < MaxReasons)
      list[static_cast<std::size_t>(count++)] = rule;
  }
  void Suit(int item, std::uint8_t by) {
    ItemReasons &r = Suits[static_cast<std::size_t>(item)];
    if (r.AddedCount == 0 && r.StruckCount == 0)
      SuitKept[static_cast<std::size_t>(item)] = true;
    Note(r.AddedBy, r.AddedCount, by);
  }
  void StrikeSuit(int item, std::uint8_t by) {
    if (Suits[static_cast<std::size_t>(item)].AddedCount == 0)
      return;
    SuitKept[static_cast<std::size_t>(item)] = false;
    ItemReasons &r = Suits[static_cast<std::size_t>(item)];
    Note(r.StruckBy, r.StruckCount, by);
  }
  bool Suited(int item) const { return SuitKept[static_cast<std::size_t>(item)]; }
  // A 忌 that stands (kept) or one that a 吉神 or the grading lifts (Lift).
  void Avoid(int item, std::uint8_t by, bool kept) {
    ItemReasons &r = (kept ? Avoids : Lifted)[static_cast<std::size_t>(item)];
    Note(r.AddedBy, r.AddedCount, by);
    if (kept)
      AvoidKept[static_cast<std::size_t>(item)] = true;
  }
  void Lift(int item, std::uint8_t by) {
    ItemReasons &r = Lifted[static_cast<std::size_t>(item)];
    Note(r.StruckBy, r.StruckCount, by);
  }
  void Raise(Grade grade, std::uint8_t rule) {
    if (grade > DayGrade) {
      DayGrade = grade;
      GradeRule = rule;
    }
  }
};

template <typename F> void ForEach(ItemSet set, F &&f) {
  for (int i = 0; i < static_cast<int>(Items.size()); ++i)
    if (set.Has(i))
      f(i);
}

// What a rule that holds suits on this day, its conditions read (卷十).
ItemSet SuitsOf(int rule, const Context &c, const Active &on) {
  if (rule == SiXiang || rule == ShiDe)
    rule = YueEn;
  ItemSet suits = Rules[static_cast<std::size_t>(rule)].Suits;
  const bool hunting = c.Term >= 20 || c.Term <= 2, fishing = c.Term >= 4 && c.Term <= 8;
  const bool felling = c.Term >= 21 || c.Term <= 2;
  const bool kindly = on[YueEn] || on[SiXiang] || on[ShiDe];
  switch (rule) {
  case OZhi:
  case OWei:
  case OShou:
    if (hunting)
      suits.Add(ItemNumber("畋猎"));
    if (fishing)
      suits.Add(ItemNumber("取鱼"));
    if (rule == OWei && felling)
      suits.Add(ItemNumber("伐木"));
    if (rule == OShou && kindly)
      suits.Add(ItemNumber("修仓库"));
    break;
  case WuShen:
    suits.Add(ItemNumber("伐木"));
    break;
  case LiuHe:
  case WuFu:
  case MuCang:
  case TianCang:
    if (kindly || (rule >= MuCang && on[OKai]))
      suits.Add(ItemNumber("修仓库"));
    break;
  case YiMa:
  case TianMa:
  case OJian:
    if (on[TianEn])
      suits = suits | L("颁诏 宣政事");
    if (rule != OJian && kindly)
      suits = suits | L("诏命公卿 招贤");
    break;
  case SanHe: // 寅申巳亥 its 长生, as 母仓; 子午卯酉 its 帝旺, as 王日
    if (c.Branch % 3 == 2)
      suits = suits | Rules[MuCang].Suits;
    if (c.Branch % 3 == 0)
      suits = suits | Rules[WangRi].Suits;
    break;
  default:
    break;
  }
  return suits;
}

void Gather(const Context &c, const Active &on, Ledger &ledger) {
  for (int rule = 1; rule < RuleCount; ++rule)
    if (on[static_cast<std::size_t>(rule)])
      ForEach(SuitsOf(rule, c, on), [&](int item) { ledger.Suit(item, static_cast<std::uint8_t>(rule)); });
}

ItemSet AvoidsOf(int rule, const Context &c) {
  if (rule == BaiJi)
    return StemAvoids[static_cast<std::size_t>(c.Stem)] | BranchAvoids[static_cast<std::size_t>(c.Branch)];
  if (rule == SiLi || rule == SiJue || rule == HuiRi)
    return AllItems() - Rules[static_cast<std::size_t>(rule)].Avoids;
  return Rules[static_cast<std::size_t>(rule)].Avoids;
}

void Apply(int rule, ItemSet avoids, const Weighing &w, Ledger &ledger) {
  const auto r = static_cast<std::uint8_t>(rule);
  bool conflict = false;
  ForEach(avoids, [&](int item) {
    const bool suited = ledger.Suited(item);
    conflict = conflict || suited;
    switch (w.How) {
    case Outcome::Lifted:
      if (suited) {
        ledger.Avoid(item, r, false);
        ledger.Lift(item, w.By);
      }
      break;
    case Outcome::Keeps:
      if (w.Keep.Has(item)) {
        ledger.Avoid(item, r, true);
        ledger.StrikeSuit(item, r);
      } else if (suited) {
        ledger.Avoid(item, r, false);
        ledger.Lift(item, w.By != None ? w.By : static_cast<std::uint8_t>(GradeTable));
      }
      break;
    case Outcome::Balanced:
      if (suited) {
        ledger.StrikeSuit(item, r);
        ledger.Avoid(item, r, false);
        ledger.Lift(item, GradeTable);
      } else {
        ledger.Avoid(item, r, true);
      }
      break;
    case Outcome::Usual:
    case Outcome::All:
      ledger.Avoid(item, r, true);
      ledger.StrikeSuit(item, r);
      break;
    }
  });
  if (w.How == Outcome::All)
    ledger.Raise(Grade::AllAvoided, r);
  else if (conflict)
    ledger.Raise(w.How == Outcome::Usual      ? Grade::FollowAvoided
                 : w.How == Outcome::Balanced ? Grade::Balanced
                                              : Grade::FollowSuited,
                 r);
}

void Weigh(const Context &c, const Active &on, Ledger &ledger) {
  const Weigher weigher(c, on);
  for (int rule = 1; rule < RuleCount; ++rule) {
    if (!on[static_cast<std::size_t>(rule)] || rule == WuLu || rule == YueJi || rule == FenZhi)
      continue;
    const ItemSet avoids = AvoidsOf(rule, c);
    if (!avoids.Empty())
      Apply(rule, avoids, weigher.Weigh(rule), ledger);
  }
  // 无禄 and 月忌: 止注 their few items among the 宜; 分至: 不注 theirs.
  for (int rule : {static_cast<int>(WuLu), static_cast<int>(YueJi), static_cast<int>(FenZhi)}) {
    if (!on[static_cast<std::size_t>(rule)])
      continue;
    ItemSet struck = rule == FenZhi ? Rules[FenZhi].Avoids : AllItems() - Rules[static_cast<std::size_t>(rule)].Avoids;
    if (rule == FenZhi && c.TermToday == 24)
      struck.Add(ItemNumber("伐木"));
    ForEach(struck, [&](int item) { ledger.StrikeSuit(item, static_cast<std::uint8_t>(rule)); });
  }
  if (ledger.DayGrade == Grade::AllAvoided)
    for (int item = 0; item < static_cast<int>(Items.size()); ++item)
      ledger.StrikeSuit(item, ledger.GradeRule);
}

void Fill(const Ledger &ledger, DayAlmanac &day) {
  for (int item = 0; item < static_cast<int>(Items.size()); ++item) {
    const auto i = static_cast<std::size_t>(item);
    ItemReasons suit = ledger.Suits[i], avoid = ledger.AvoidKept[i] ? ledger.Avoids[i] : ledger.Lifted[i];
    suit.Item = avoid.Item = Items[i];
    if (ledger.SuitKept[i])
      day.Suited[static_cast<std::size_t>(day.SuitedCount++)] = suit;
    else if (suit.AddedCount > 0) {
      day.StruckWasSuited[static_cast<std::size_t>(day.StruckCount)] = true;
      day.Struck[static_cast<std::size_t>(day.StruckCount++)] = suit;
    }
    if (ledger.AvoidKept[i])
      day.Avoided[static_cast<std::size_t>(day.AvoidedCount++)] = avoid;
    else if (avoid.AddedCount > 0)
      day.Struck[static_cast<std::size_t>(day.StruckCount++)] = avoid;
  }
  day.DayGrade = ledger.DayGrade;
  day.GradeRule = ledger.GradeRule;
}

// 九星 (卷三 义例一 紫白): the year's star falls by one each year, 一白 in 2026
// (and 1864, the 上元 甲子); the month's by one each month from 八白, 五黄 or
// 二黑 in 寅月 of a 子午卯酉, 辰戌丑未 or 寅申巳亥 year.
int YearStar(int termYear) { return Mod(2026 - termYear, 9) + 1; }
int MonthStar(GanZhi year, int month) {
  return Mod(std::array{7, 4, 1}[static_cast<std::size_t>(year.Branch() % 3)] - month, 9) + 1;
}

sys_days NearestJiaZi(sys_days day) {
  const int place = Mod(static_cast<int>((day - Epoch).count()) + DayZeroCycle, 60);
  return place > 29 ? day + days{60 - place} : day - days{place};
}
sys_days Solstice(int year, bool winter) {
  if (year < FirstTableYear)
    return winter ? WinterSolstice1900 : SummerSolstice1900;
  return TermDay(year, winter ? 24 : 12);
}
int DayStar(const Context &c) {
  const int y = static_cast<int>(c.Date.year());
  const sys_days rising = NearestJiaZi(Solstice(y - 1, true)), falling = NearestJiaZi(Solstice(y, false));
  const sys_days nextRising = NearestJiaZi(Solstice(y, true));
  auto from = [&](sys_days start) { return static_cast<int>((c.Day - start).count()); };
  if (c.Day >= nextRising)
    return from(nextRising) % 9 + 1;
  if (c.Day >= falling)
    return 9 - from(falling) % 9;
  if (c.Day >= rising)
    return from(rising) % 9 + 1;
  return 9 - from(NearestJiaZi(Solstice(y - 1, false))) % 9;
}

QByteArray FetusText(GanZhi day) {
  const std::string_view stem = FetusStemPlaces[static_cast<std::size_t>(day.Stem() % 5)];
  const std::string_view branch = FetusBranchPlaces[static_cast<std::size_t>(day.Branch() % 6)];
  QByteArray text;
  if (stem.find(branch) != std::string_view::npos) {
    // 占门 + 门 = 占大门; 碓磨 + 碓 = 占碓磨; 房床 + 床 = 占房床.
    text = stem == "占门" ? QByteArray("占大门") : QByteArray("占") + QByteArray(stem.data(), 6);
  } else {
    text = QByteArray(stem.data(), static_cast<qsizetype>(stem.size()));
    text.append(branch.data(), static_cast<qsizetype>(branch.size()));
  }
  std::string_view direction;
  for (const FetusRun &run : FetusDirections)
    if (run.First <= day.Index)
      direction = run.Direction;
  text.append(' ');
  text.append(direction.data(), static_cast<qsizetype>(direction.size()));
  return text;
}

void ListSpirits(const Active &on, DayAlmanac &day) {
  for (int rule = 1; rule < RuleCount; ++rule) {
    if (!on[static_cast<std::size_t>(rule)])
      continue;
    const Kind kind = Rules[static_cast<std::size_t>(rule)].Type;
    if (kind == Kind::Good && day.GoodCount < MaxSpirits)
      day.GoodSpirits[static_cast<std::size_t>(day.GoodCount++)] = static_cast<std::uint8_t>(rule);
    if (kind == Kind::Bad && day.BadCount < MaxSpirits)
      day.BadSpirits[static_cast<std::size_t>(day.BadCount++)] = static_cast<std::uint8_t>(rule);
  }
}

void FillNames(const Context &c, DayAlmanac &day) {
  day.Date = c.Date;
  day.Year = c.YearGz;
  day.Month = c.MonthGz;
  day.Day = c.DayGz;
  for (int h = 0; h < 12; ++h) {
    HourAlmanac &hour = day.Hours[static_cast<std::size_t>(h)];
    hour.Value = MakeGanZhi(Mod(c.Stem % 5 * 2 + h, 10), h);
    const int spirit = SpiritOf(c.Branch, h);
    hour.Spirit = Spirits[static_cast<std::size_t>(spirit)];
    hour.Yellow = (YellowSpirits >> spirit & 1) != 0;
  }
  day.YearSound = SoundName(c.YearGz);
  day.MonthSound = SoundName(c.MonthGz);
  day.DaySound = SoundName(c.DayGz);
  day.ClashBranch = Mod(c.Branch + 6, 12);
  // 煞: 申子辰 south, 寅午戌 north, 亥卯未 west, 巳酉丑 east.
  day.KillingDirection =
      std::array<std::string_view, 4>{"南", "东", "北", "西"}[static_cast<std::size_t>(c.Branch % 4)];
  day.Officer = c.Officer;
  day.Mansion = Mod(static_cast<int>((c.Day - Epoch).count()) + DayZeroMansion, 28);
  day.MansionLucky = (LuckyMansions >> day.Mansion & 1) != 0;
  const int spirit = SpiritOf(c.MonthBranch, c.Branch);
  day.DaySpirit = Spirits[static_cast<std::size_t>(spirit)];
  day.DayYellow = (YellowSpirits >> spirit & 1) != 0;
  day.PengZuStem = PengZuStems[static_cast<std::size_t>(c.Stem)];
  day.PengZuBranch = PengZuBranches[static_cast<std::size_t>(c.Branch)];
  day.FetusSpirit = FetusText(c.DayGz);
  day.YearStar = YearStar(c.TermYear);
  day.MonthStar = MonthStar(c.YearGz, c.Month);
  day.DayStar = DayStar(c);
}

bool InRange(year_month_day date) {
  return date.ok() && date.year() >= year{FirstTableYear} && date.year() <= year{LastTableYear};
}

} // namespace

std::optional<DayAlmanac> GetAlmanac(year_month_day date) {
  if (!InRange(date))
    return std::nullopt;
  const Context c = MakeContext(date);
  Active on{};
  CollectMonthGods(c, on);
  CollectDayGods(c, on);
  CollectBadGods(c, on);
  const int spirit = SpiritOf(c.MonthBranch, c.Branch);
  on[static_cast<std::size_t>(std::array{QingLong, MingTang, TianXing, ZhuQue, JinKui, BaoGuang, BaiHu, YuTang, TianLao,
                                         XuanWu, SiMing, GouChen}[static_cast<std::size_t>(spirit)])] = true;
  std::optional<DayAlmanac> day(std::in_place);
  FillNames(c, *day);
  ListSpirits(on, *day);
  Ledger ledger;
  Gather(c, on, ledger);
  Weigh(c, on, ledger);
  Fill(ledger, *day);
  return day;
}

QByteArray GetGanZhiColumns(year_month_day date) {
  if (!InRange(date))
    return {};
  const Context c = MakeContext(date);
  return GanZhiText(c.YearGz) + ' ' + GanZhiText(c.MonthGz) + ' ' + GanZhiText(c.DayGz);
}

namespace {
QString Utf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }
QString FirstItems(const std::array<ItemReasons, MaxItems> &items, int count, int most) {
  QStringList names;
  for (int i = 0; i < count && i < most; ++i)
    names << Utf8(items[static_cast<std::size_t>(i)].Item);
  if (count > most)
    names << QStringLiteral("…");
  return names.join(QLatin1Char(' '));
}
} // namespace

QString GetAlmanacSummary(year_month_day date, int items) {
  const std::optional<DayAlmanac> day = GetAlmanac(date);
  if (!day)
    return {};
  const QString suited =
      day->SuitedCount == 0 ? QStringLiteral("诸事不宜") : FirstItems(day->Suited, day->SuitedCount, items);
  return QStringLiteral("%1年 %2月 %3日\n冲%4 煞%5\n%6（%7）\n宜：%8\n忌：%9")
      .arg(QString::fromUtf8(GanZhiText(day->Year)), QString::fromUtf8(GanZhiText(day->Month)),
           QString::fromUtf8(GanZhiText(day->Day)), Utf8(AnimalName(day->ClashBranch)), Utf8(day->KillingDirection),
           Utf8(day->DaySpirit), day->DayYellow ? QStringLiteral("黄道") : QStringLiteral("黑道"), suited,
           FirstItems(day->Avoided, day->AvoidedCount, items));
}

QByteArray GetGanZhiLine(DateValue date) {
  const year_month_day ymd = DecodeDate(date);
  if (!InRange(ymd))
    return {};
  const Context c = MakeContext(ymd);
  const QString text =
      QString::fromUtf8(GanZhiText(c.YearGz) + "年 " + GanZhiText(c.MonthGz) + "月 " + GanZhiText(c.DayGz) + "日");
  return Gbk::ToGbk(text).value_or(QByteArray());
}

} // namespace Almanac
