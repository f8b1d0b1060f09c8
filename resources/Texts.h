// Texts.h - the program's own texts, each written once: hints, messages,
// captions and the font of the windows. The menu's captions live with the
// menu in RulvView.rc. UTF-8 source; the wide texts reach Windows as
// UTF-16, the narrow ones (registry errors, UTF-8 like every error text)
// through the standard error report.
#pragma once

namespace rulv::texts {

// The font of the main window's status bar and of the about box.
inline constexpr wchar_t kFontName[] = L"ＭＳ Ｐゴシック";

// Toolbar buttons: the tooltip (short hint) and the status bar's text
// (long hint, shared with the menu command of the same action).
inline constexpr wchar_t kOpenShortHint[] = L"開く";
inline constexpr wchar_t kReopenShortHint[] = L"再読み込み";
inline constexpr wchar_t kReviewShortHint[] = L"再表示";
inline constexpr wchar_t kOpenHint[] = L"RULVﾌｧｲﾙを開きます";
inline constexpr wchar_t kReopenHint[] = L"RULVﾌｧｲﾙを読み直します";
inline constexpr wchar_t kReviewHint[] = L"表示が乱れたときに再表示します";

// The long hints of the other menu commands.
inline constexpr wchar_t kExitHint[] = L"このｿﾌﾄを終了します";
inline constexpr wchar_t kToolbarHint[] = L"ﾂｰﾙﾊﾞｰの表示／非表示をきりかえます";
inline constexpr wchar_t kStatusbarHint[] = L"ｽﾃｰﾀｽﾊﾞｰの表示／非表示をきりかえます";
inline constexpr wchar_t kHelpHint[] = L"ﾍﾙﾌﾟ(htmlﾌｧｲﾙ)を開きます";
inline constexpr wchar_t kAboutHint[] = L"このｿﾌﾄのﾊﾞｰｼﾞｮﾝ情報を表示します";

// The long hints of the strip's own menu (its right-click menu).
inline constexpr wchar_t kCopyColorHint[] = L"ﾎﾟｲﾝﾀｰの下の色を RRGGBB の形でｺﾋﾟｰします";
inline constexpr wchar_t kCopyPictureHint[] = L"表示中の色の帯を画像としてｺﾋﾟｰします";
inline constexpr wchar_t kViewNormalHint[] = L"色をそのまま表示します";
inline constexpr wchar_t kViewGreyHint[] = L"明るさだけのｸﾞﾚｰで表示します";
inline constexpr wchar_t kViewProtanHint[] = L"1型色覚(P型)の人の見え方で表示します";
inline constexpr wchar_t kViewDeutanHint[] = L"2型色覚(D型)の人の見え方で表示します";
inline constexpr wchar_t kViewTritanHint[] = L"3型色覚(T型)の人の見え方で表示します";
inline constexpr wchar_t kFollowFileHint[] = L"ﾌｧｲﾙが書き換えられたら自動的に読み直します";

// What the third status panel says while nothing has a hint: the view
// other than the normal one, ...
inline constexpr wchar_t kViewGreyNote[] = L"ｸﾞﾚｰで表示中";
inline constexpr wchar_t kViewProtanNote[] = L"1型色覚の見え方で表示中";
inline constexpr wchar_t kViewDeutanNote[] = L"2型色覚の見え方で表示中";
inline constexpr wchar_t kViewTritanNote[] = L"3型色覚の見え方で表示中";
// ... a copy that failed, ...
inline constexpr wchar_t kClipboardBusy[] = L"ｸﾘｯﾌﾟﾎﾞｰﾄﾞが他のｿﾌﾄに使われていてｺﾋﾟｰできません";
inline constexpr wchar_t kClipboardFailed[] = L"ｸﾘｯﾌﾟﾎﾞｰﾄﾞにｺﾋﾟｰできませんでした";
// ... and a followed file's folder that cannot be watched (a reload's
// fault is said in the load flow's own words).
inline constexpr wchar_t kFolderNotWatched[] = L"このﾌｫﾙﾀﾞは変更を監視できません";

// The open dialog's filter: two choices, "|" between name and pattern.
inline constexpr wchar_t kOpenFilter[] = L"RULVﾌｧｲﾙ(*.rulv)|*.rulv|全てのﾌｧｲﾙ|*";

// The load flow's messages. A faulty line: its number, then the suffix.
inline constexpr wchar_t kFileNotFound[] = L"ﾌｧｲﾙが見つかりません";
inline constexpr wchar_t kFaultyLineSuffix[] = L" 行目に間違いがあります";
inline constexpr wchar_t kNoColors[] = L"色が１色も指定してありません";
// A name that opened as a device or a pipe (the viewer reads disk files only).
inline constexpr char kNotADiskFile[] = "ディスク上のファイルではないので読み込めません";

// The about box's caption.
inline constexpr wchar_t kAboutCaption[] = L"ﾊﾞｰｼﾞｮﾝ情報";

// The help command: the error box's caption, and what it says of a missing
// folder or document (the name, the suffix, then the hint).
inline constexpr wchar_t kErrorCaption[] = L"エラー";
inline constexpr wchar_t kNotFoundSuffix[] = L" が見つかりません";
inline constexpr wchar_t kHelpDocumentHint[] =
    L"\r\n\r\nﾍﾙﾌﾟを見るためには実行ﾌｧｲﾙのあるﾌｫﾙﾀﾞの中に\r\n"
    L"RulvView.html がなければいけません\r\n";

// The settings' registry errors; %s is the value's or the section's name.
inline constexpr char kRegistryReadFailed[] = "'%s' の取得に失敗しました";
inline constexpr char kRegistryWrongType[] = "'%s' のデータ型が不正です";
inline constexpr char kRegistryKeyNotCreated[] = "キー %s の作成に失敗しました";
inline constexpr char kRegistryWriteFailed[] = "'%s' の設定に失敗しました";

}  // namespace rulv::texts
