#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
# Writes home pages in the legacy charsets sites still use, none of which says its charset (no header, no
# <meta>; some start with an XML declaration instead, as XHTML pages do), and a list of what each title is.
# The texts are written for this bench; each page is a site's home page of a few lines to a few kilobytes.
# Usage: bench/charset-pages.py DIR  →  DIR/<charset>/<n>.html and DIR/titles.tsv (path, charset, size, title)
import os
import random
import sys

# Per language: titles, and sentences the pages are made of.
LANGUAGES = {
    "zh": {
        "titles": ["欢迎访问本站", "山东省旅游信息网", "首页 - 新华书店网上商城", "北京大学出版社",
                   "企业邮箱登录", "中国象棋论坛 - 首页", "手机维修服务中心", "家常菜谱大全", "天气预报查询",
                   "二手车交易市场", "小学数学辅导", "杭州西湖风景区官方网站", "医院挂号预约系统", "茶叶批发"],
        "sentences": ["本站提供最新的新闻资讯和生活服务信息。", "欢迎各位朋友光临指导，有任何问题请联系我们。",
                      "我们的客服电话是全天开放的，节假日也不休息。", "请使用最新版本的浏览器访问本网站。",
                      "版权所有，未经许可不得转载本站内容。", "公司成立于一九九八年，主要经营电子产品和办公用品。",
                      "今天的天气晴转多云，气温在十五度到二十三度之间。", "会员注册后可以免费下载全部资料。",
                      "这里有上千种菜谱，每一道都有详细的做法和图片。", "景区门票价格和开放时间请以当天公告为准。",
                      "本论坛禁止发布广告，违者封号处理。", "老师们精心准备了每一节课的练习题。"],
    },
    "zh-hant": {
        "titles": ["歡迎光臨", "臺北市立圖書館", "香港天文臺天氣報告", "線上購物中心 - 首頁", "國立大學資訊工程學系",
                   "牙醫診所預約", "二手書店", "中華美食食譜", "臺灣旅遊指南", "補習班課程介紹", "電腦維修服務"],
        "sentences": ["感謝您蒞臨本網站，歡迎多多指教。", "營業時間為每日上午九點至晚上九點。",
                      "會員登入後即可查詢訂單與優惠資訊。", "本網站所有內容均受著作權法保護，請勿轉載。",
                      "如有任何問題，請撥打客服專線與我們聯絡。", "捷運站步行五分鐘即可抵達，交通十分便利。",
                      "今日天氣晴時多雲，午後山區有局部陣雨。", "新書上架，歡迎讀者前來選購。",
                      "課程報名請於本月底前完成繳費手續。", "本店提供免費停車位，歡迎開車前來。"],
    },
    "ja": {
        "titles": ["ようこそ", "株式会社山田製作所", "東京の天気予報", "お問い合わせ - 田中歯科医院",
                   "京都観光ガイド", "中古車販売センター", "料理レシピ集", "日本語教室のご案内", "大学図書館",
                   "温泉旅館 さくら", "ネットショップ 本店", "鉄道の時刻表"],
        "sentences": ["当サイトへようこそお越しくださいました。", "営業時間は午前九時から午後六時までです。",
                      "ご予約はお電話またはメールで承っております。", "新しい商品が入荷しましたので、ぜひご覧ください。",
                      "個人情報の取り扱いについては、こちらをお読みください。", "駅から徒歩五分の便利な場所にあります。",
                      "季節の食材を使った料理をお楽しみいただけます。", "このページの内容は予告なく変更されることがあります。",
                      "会員登録をすると、ポイントが貯まります。", "ご不明な点がございましたら、お気軽にお問い合わせください。"],
    },
    "ko": {
        "titles": ["환영합니다", "서울시 관광 안내", "주식회사 한빛전자", "온라인 쇼핑몰", "한국어 학습 센터",
                   "맛집 소개", "부산 날씨", "대학교 도서관", "자동차 정비소", "어린이 영어 교실", "병원 예약"],
        "sentences": ["저희 홈페이지를 방문해 주셔서 감사합니다.", "영업 시간은 오전 아홉 시부터 오후 여섯 시까지입니다.",
                      "회원 가입을 하시면 다양한 혜택을 받으실 수 있습니다.", "문의 사항은 고객 센터로 연락해 주십시오.",
                      "새로운 상품이 매주 월요일에 올라옵니다.", "이 사이트의 모든 내용은 저작권법의 보호를 받습니다.",
                      "지하철역에서 걸어서 오 분 거리에 있습니다.", "오늘의 추천 메뉴는 김치찌개와 불고기입니다."],
    },
    "ru": {
        "titles": ["Добро пожаловать", "Новости нашего города", "Интернет-магазин книг", "Погода в Москве",
                   "Главная - Строительная компания", "Рецепты домашней кухни", "Школа английского языка",
                   "Автосервис на Ленинском", "Городская библиотека", "Туристическое агентство", "Форум рыбаков"],
        "sentences": ["Мы рады приветствовать вас на нашем сайте.", "Наш магазин работает ежедневно с девяти до девяти.",
                      "Все цены указаны в рублях с учётом налогов.", "Доставка по городу бесплатна при заказе от двух тысяч.",
                      "Подпишитесь на рассылку, чтобы узнавать о скидках первыми.", "Перепечатка материалов только со ссылкой на источник.",
                      "Сегодня ожидается облачная погода без осадков.", "Запись на приём по телефону или через форму на сайте.",
                      "Наши специалисты ответят на любые вопросы.", "Компания основана в девяносто пятом году."],
    },
    "de": {
        "titles": ["Willkommen bei Müller & Söhne", "Bäckerei Schröder – Startseite", "Ferienwohnung am Bodensee",
                   "Größte Auswahl an Fahrrädern", "Über uns", "Zahnarztpraxis Dr. Weiß", "Stadtbücherei Köln",
                   "Gasthof zur Mühle", "Schlüsseldienst Jürgens", "Französischkurse für Anfänger"],
        "sentences": ["Herzlich willkommen auf unserer Seite, schön dass Sie da sind.", "Öffnungszeiten: Montag bis Freitag von acht bis achtzehn Uhr.",
                      "Unsere Preise verstehen sich inklusive Mehrwertsteuer.", "Für Rückfragen stehen wir Ihnen gern zur Verfügung.",
                      "Das Gebäude ist barrierefrei und hat einen eigenen Parkplatz.", "Frische Brötchen gibt es schon ab sechs Uhr früh.",
                      "Bitte beachten Sie unsere Datenschutzerklärung.", "Wir freuen uns über Ihren Besuch in Zürich, Wien oder Köln."],
    },
}

CHARSETS = [  # charset, language, how Python names it
    ("gb2312", "zh", "gb2312"), ("gbk", "zh", "gbk"), ("big5", "zh-hant", "big5"), ("shift_jis", "ja", "shift_jis"),
    ("euc-jp", "ja", "euc_jp"), ("euc-kr", "ko", "euc_kr"), ("koi8-r", "ru", "koi8_r"), ("windows-1251", "ru", "cp1251"),
    ("windows-1252", "de", "cp1252"), ("iso-8859-1", "de", "latin_1"), ("utf-8", "zh", "utf-8"),
]
# Characters outside GB2312 that GBK pages carry (names, traditional forms in a simplified text).
GBK_EXTRA = ["镕", "喆", "堃", "犇", "頫", "祎"]


def page(texts, title, size, xml, rng):
    sentences = texts["sentences"]
    count = {"tiny": 0, "short": 2, "medium": 6, "long": 30}[size]
    body = "\n".join(f"<p>{rng.choice(sentences)}</p>" for _ in range(count))
    head = [f"<title>{title}</title>"]
    nav = ""
    if size in ("medium", "long"):
        head += ['<meta name="viewport" content="width=device-width, initial-scale=1">',
                 '<link rel="stylesheet" href="/static/css/main.css?v=20240311">',
                 '<script src="/static/js/jquery.min.js"></script>',
                 "<script>var _hmt = _hmt || []; (function() { var hm = document.createElement('script');"
                 " hm.src = '/hm.js?3f2a9c'; document.head.appendChild(hm); })();</script>"]
        links = " | ".join(f'<a href="/list/{n}.html">{rng.choice(texts["titles"])[:6]}</a>' for n in range(5))
        nav = f'<div class="nav"><a href="/">{texts["titles"][0]}</a> | {links}</div>\n'
    footer = f'<div class="footer">&copy; 2024 {title} <a href="/about.html">About</a></div>' if size == "long" else ""
    if xml:
        start = ('<?xml version="1.0" encoding="{charset}"?>\n<!DOCTYPE html PUBLIC "-//W3C//DTD XHTML 1.0 Transitional//EN"'
                 ' "http://www.w3.org/TR/xhtml1/DTD/xhtml1-transitional.dtd">\n<html xmlns="http://www.w3.org/1999/xhtml">')
    else:
        start = "<!DOCTYPE html>\n<html>"
    return f"{start}\n<head>\n{chr(10).join(head)}\n</head>\n<body>\n{nav}{body}\n{footer}\n</body>\n</html>\n"


def main():
    out = sys.argv[1]
    rng = random.Random(23)
    rows = []
    for charset, lang, codec in CHARSETS:
        texts = LANGUAGES[lang]
        os.makedirs(os.path.join(out, charset), exist_ok=True)
        # Short pages are the hard case for a detector: half of each set, a quarter of it a title alone.
        plan = ["tiny"] * 6 + ["short"] * 6 + ["medium"] * 7 + ["long"] * 5
        for n, size in enumerate(plan):
            title = texts["titles"][n % len(texts["titles"])]
            if codec == "latin_1":
                title = title.replace("–", "-")  # windows-1252 has the dash, ISO-8859-1 does not
            if charset == "gbk":
                title += GBK_EXTRA[n % len(GBK_EXTRA)]
            xml = n % 5 == 4
            html = page(texts, title, size, xml, rng).replace("{charset}", charset.upper() if n % 2 else charset)
            path = os.path.join(charset, f"{n:02}.html")
            with open(os.path.join(out, path), "wb") as f:
                f.write(html.encode(codec))
            rows.append(f"{path}\t{charset}\t{size}\t{title}")
    with open(os.path.join(out, "titles.tsv"), "w", encoding="utf-8") as f:
        f.write("\n".join(rows) + "\n")


if __name__ == "__main__":
    main()
