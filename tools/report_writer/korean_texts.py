#!/usr/bin/python3
"""Writes korean_texts.h: the Korean words of the sample reports as CP949 byte
literals, each with the text it spells in a comment. Run after editing TEXTS."""

TEXTS = [
    ("kGulim", "굴림체"),
    ("kBatang", "바탕체"),
    ("kTitleBill", "내    역    서"),
    ("kTitleSummary", "총 괄 집 계 장"),
    ("kDesProject", "공사명 : 햇살마을 근린생활시설 신축공사"),
    ("kComName", "(주)대한종합건설"),
    ("kName", "품명"),
    ("kNameFull", "품    명"),
    ("kSize", "규격"),
    ("kUnit", "단위"),
    ("kQty", "수량"),
    ("kUnitPrice", "단가"),
    ("kAmount", "금액"),
    ("kMaterial", "재료비"),
    ("kLabor", "노무비"),
    ("kExpense", "경비"),
    ("kTotal", "합계"),
    ("kRate", "율(%)"),
    ("kRemark", "비고"),
    ("kCode", "코드"),
    ("kWorkType", "공종"),
    ("kSeqNo", "순번"),
    ("kSubtotal", "소    계"),
    ("kGrandTotal", "총    계"),
    ("kSectionEarth", "1. 토 공 사"),
    ("kSectionConcrete", "2. 철근콘크리트공사"),
    ("kSectionMasonry", "3. 조적 및 미장공사"),
    ("kSectionFinish", "4. 수장 및 도장공사"),
    ("kSectionMisc", "5. 기타 공사"),
    ("kExcavation", "터파기"),
    ("kExcavationSize", "토사, 기계 0.7M3"),
    ("kBackfill", "되메우기"),
    ("kBackfillSize", "인력+기계"),
    ("kGravel", "잡석깔기"),
    ("kGravelSize", "인력"),
    ("kRemicon", "레미콘"),
    ("kRemiconSize", "25-24-150"),
    ("kRcPour", "철근콘크리트"),
    ("kRcPourSize", "타설, 펌프카"),
    ("kFormwork", "거푸집"),
    ("kFormworkSize", "합판 3회"),
    ("kRebarWork", "철근 가공조립"),
    ("kRebarWorkSize", "보통"),
    ("kRebar", "이형철근"),
    ("kRebarD13", "SD400 D13"),
    ("kRebarD16", "SD400 D16"),
    ("kBrick", "조적"),
    ("kBrickSize", "시멘트벽돌 1.0B"),
    ("kPlaster", "미장"),
    ("kPlasterSize", "시멘트모르타르 18mm"),
    ("kWaterproof", "방수"),
    ("kWaterproofSize", "액체방수 1종"),
    ("kTile", "타일붙임"),
    ("kTileSize", "자기질 300x300"),
    ("kPaint", "도장"),
    ("kPaintSize", "수성페인트 2회"),
    ("kWindow", "창호 설치"),
    ("kWindowSize", "알루미늄 이중창"),
    ("kElectric", "전기공사"),
    ("kElectricSize", "별도 발주"),
    ("kToolLoss", "공구손료"),
    ("kToolLossSize", "인력품의 3%"),
    ("kSundry", "잡재료비"),
    ("kSundrySize", "주재료비의 2%"),
    ("kUnitSet", "식"),
    ("kUnitEa", "EA"),
    ("kSupplied", "관급"),
    ("kSeparate", "별산"),
    ("kCheck", "검토요"),
    ("kBrokenNote", "설정정보 없음"),
    ("kGa", "가"),
    ("kHa", "하"),
    ("kBuilding", "동"),
]

def literal(text):
    data = text.encode("cp949")
    return "".join("\\x%02X" % b if b >= 0x80 or b < 0x20 or b in (0x22, 0x5C) else chr(b) for b in data)

def main():
    out = ["// Korean words of the sample reports as CP949 bytes (written by korean_texts.py).",
           "#pragma once", "", "namespace zel::reportwriter::text {", ""]
    for name, text in TEXTS:
        lit = literal(text)
        # A hex escape swallows following hex digits: split the literal there.
        fixed = ""
        i = 0
        while i < len(lit):
            if lit[i] == "\\" and lit[i + 1] == "x":
                fixed += lit[i:i + 4]
                i += 4
                if i < len(lit) and lit[i] in "0123456789abcdefABCDEF":
                    fixed += '" "'
            else:
                fixed += lit[i]
                i += 1
        out.append('inline constexpr char %s[] = "%s";  // %s' % (name, fixed, text))
    out += ["", "}  // namespace zel::reportwriter::text", ""]
    with open(__file__.replace("korean_texts.py", "korean_texts.h"), "w", encoding="utf-8") as f:
        f.write("\n".join(out))

main()
