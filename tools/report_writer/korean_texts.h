// Korean words of the sample reports as CP949 bytes (written by korean_texts.py).
#pragma once

namespace zel::reportwriter::text {

inline constexpr char kGulim[] = "\xB1\xBC\xB8\xB2\xC3\xBC";  // 굴림체
inline constexpr char kBatang[] = "\xB9\xD9\xC5\xC1\xC3\xBC";  // 바탕체
inline constexpr char kTitleBill[] = "\xB3\xBB    \xBF\xAA    \xBC\xAD";  // 내    역    서
inline constexpr char kTitleSummary[] = "\xC3\xD1 \xB0\xFD \xC1\xFD \xB0\xE8 \xC0\xE5";  // 총 괄 집 계 장
inline constexpr char kDesProject[] =
    "\xB0\xF8\xBB\xE7\xB8\xED : \xC7\xDE\xBB\xEC\xB8\xB6\xC0\xBB \xB1\xD9\xB8\xB0\xBB\xFD\xC8\xB0\xBD\xC3\xBC\xB3 \xBD\xC5\xC3\xE0\xB0\xF8\xBB\xE7";  // 공사명 : 햇살마을 근린생활시설 신축공사
inline constexpr char kComName[] = "(\xC1\xD6)\xB4\xEB\xC7\xD1\xC1\xBE\xC7\xD5\xB0\xC7\xBC\xB3";  // (주)대한종합건설
inline constexpr char kName[] = "\xC7\xB0\xB8\xED";  // 품명
inline constexpr char kNameFull[] = "\xC7\xB0    \xB8\xED";  // 품    명
inline constexpr char kSize[] = "\xB1\xD4\xB0\xDD";  // 규격
inline constexpr char kUnit[] = "\xB4\xDC\xC0\xA7";  // 단위
inline constexpr char kQty[] = "\xBC\xF6\xB7\xAE";  // 수량
inline constexpr char kUnitPrice[] = "\xB4\xDC\xB0\xA1";  // 단가
inline constexpr char kAmount[] = "\xB1\xDD\xBE\xD7";  // 금액
inline constexpr char kMaterial[] = "\xC0\xE7\xB7\xE1\xBA\xF1";  // 재료비
inline constexpr char kLabor[] = "\xB3\xEB\xB9\xAB\xBA\xF1";  // 노무비
inline constexpr char kExpense[] = "\xB0\xE6\xBA\xF1";  // 경비
inline constexpr char kTotal[] = "\xC7\xD5\xB0\xE8";  // 합계
inline constexpr char kRate[] = "\xC0\xB2(%)";  // 율(%)
inline constexpr char kRemark[] = "\xBA\xF1\xB0\xED";  // 비고
inline constexpr char kCode[] = "\xC4\xDA\xB5\xE5";  // 코드
inline constexpr char kWorkType[] = "\xB0\xF8\xC1\xBE";  // 공종
inline constexpr char kSeqNo[] = "\xBC\xF8\xB9\xF8";  // 순번
inline constexpr char kSubtotal[] = "\xBC\xD2    \xB0\xE8";  // 소    계
inline constexpr char kGrandTotal[] = "\xC3\xD1    \xB0\xE8";  // 총    계
inline constexpr char kSectionEarth[] = "1. \xC5\xE4 \xB0\xF8 \xBB\xE7";  // 1. 토 공 사
inline constexpr char kSectionConcrete[] =
    "2. \xC3\xB6\xB1\xD9\xC4\xDC\xC5\xA9\xB8\xAE\xC6\xAE\xB0\xF8\xBB\xE7";  // 2. 철근콘크리트공사
inline constexpr char kSectionMasonry[] =
    "3. \xC1\xB6\xC0\xFB \xB9\xD7 \xB9\xCC\xC0\xE5\xB0\xF8\xBB\xE7";  // 3. 조적 및 미장공사
inline constexpr char kSectionFinish[] =
    "4. \xBC\xF6\xC0\xE5 \xB9\xD7 \xB5\xB5\xC0\xE5\xB0\xF8\xBB\xE7";  // 4. 수장 및 도장공사
inline constexpr char kSectionMisc[] = "5. \xB1\xE2\xC5\xB8 \xB0\xF8\xBB\xE7";  // 5. 기타 공사
inline constexpr char kExcavation[] = "\xC5\xCD\xC6\xC4\xB1\xE2";  // 터파기
inline constexpr char kExcavationSize[] = "\xC5\xE4\xBB\xE7, \xB1\xE2\xB0\xE8 0.7M3";  // 토사, 기계 0.7M3
inline constexpr char kBackfill[] = "\xB5\xC7\xB8\xDE\xBF\xEC\xB1\xE2";  // 되메우기
inline constexpr char kBackfillSize[] = "\xC0\xCE\xB7\xC2+\xB1\xE2\xB0\xE8";  // 인력+기계
inline constexpr char kGravel[] = "\xC0\xE2\xBC\xAE\xB1\xF2\xB1\xE2";  // 잡석깔기
inline constexpr char kGravelSize[] = "\xC0\xCE\xB7\xC2";  // 인력
inline constexpr char kRemicon[] = "\xB7\xB9\xB9\xCC\xC4\xDC";  // 레미콘
inline constexpr char kRemiconSize[] = "25-24-150";  // 25-24-150
inline constexpr char kRcPour[] = "\xC3\xB6\xB1\xD9\xC4\xDC\xC5\xA9\xB8\xAE\xC6\xAE";  // 철근콘크리트
inline constexpr char kRcPourSize[] = "\xC5\xB8\xBC\xB3, \xC6\xDF\xC7\xC1\xC4\xAB";  // 타설, 펌프카
inline constexpr char kFormwork[] = "\xB0\xC5\xC7\xAA\xC1\xFD";  // 거푸집
inline constexpr char kFormworkSize[] = "\xC7\xD5\xC6\xC7 3\xC8\xB8";  // 합판 3회
inline constexpr char kRebarWork[] = "\xC3\xB6\xB1\xD9 \xB0\xA1\xB0\xF8\xC1\xB6\xB8\xB3";  // 철근 가공조립
inline constexpr char kRebarWorkSize[] = "\xBA\xB8\xC5\xEB";  // 보통
inline constexpr char kRebar[] = "\xC0\xCC\xC7\xFC\xC3\xB6\xB1\xD9";  // 이형철근
inline constexpr char kRebarD13[] = "SD400 D13";  // SD400 D13
inline constexpr char kRebarD16[] = "SD400 D16";  // SD400 D16
inline constexpr char kBrick[] = "\xC1\xB6\xC0\xFB";  // 조적
inline constexpr char kBrickSize[] = "\xBD\xC3\xB8\xE0\xC6\xAE\xBA\xAE\xB5\xB9 1.0B";  // 시멘트벽돌 1.0B
inline constexpr char kPlaster[] = "\xB9\xCC\xC0\xE5";  // 미장
inline constexpr char kPlasterSize[] =
    "\xBD\xC3\xB8\xE0\xC6\xAE\xB8\xF0\xB8\xA3\xC5\xB8\xB8\xA3 18mm";  // 시멘트모르타르 18mm
inline constexpr char kWaterproof[] = "\xB9\xE6\xBC\xF6";  // 방수
inline constexpr char kWaterproofSize[] = "\xBE\xD7\xC3\xBC\xB9\xE6\xBC\xF6 1\xC1\xBE";  // 액체방수 1종
inline constexpr char kTile[] = "\xC5\xB8\xC0\xCF\xBA\xD9\xC0\xD3";  // 타일붙임
inline constexpr char kTileSize[] = "\xC0\xDA\xB1\xE2\xC1\xFA 300x300";  // 자기질 300x300
inline constexpr char kPaint[] = "\xB5\xB5\xC0\xE5";  // 도장
inline constexpr char kPaintSize[] = "\xBC\xF6\xBC\xBA\xC6\xE4\xC0\xCE\xC6\xAE 2\xC8\xB8";  // 수성페인트 2회
inline constexpr char kWindow[] = "\xC3\xA2\xC8\xA3 \xBC\xB3\xC4\xA1";  // 창호 설치
inline constexpr char kWindowSize[] = "\xBE\xCB\xB7\xE7\xB9\xCC\xB4\xBD \xC0\xCC\xC1\xDF\xC3\xA2";  // 알루미늄 이중창
inline constexpr char kElectric[] = "\xC0\xFC\xB1\xE2\xB0\xF8\xBB\xE7";  // 전기공사
inline constexpr char kElectricSize[] = "\xBA\xB0\xB5\xB5 \xB9\xDF\xC1\xD6";  // 별도 발주
inline constexpr char kToolLoss[] = "\xB0\xF8\xB1\xB8\xBC\xD5\xB7\xE1";  // 공구손료
inline constexpr char kToolLossSize[] = "\xC0\xCE\xB7\xC2\xC7\xB0\xC0\xC7 3%";  // 인력품의 3%
inline constexpr char kSundry[] = "\xC0\xE2\xC0\xE7\xB7\xE1\xBA\xF1";  // 잡재료비
inline constexpr char kSundrySize[] = "\xC1\xD6\xC0\xE7\xB7\xE1\xBA\xF1\xC0\xC7 2%";  // 주재료비의 2%
inline constexpr char kUnitSet[] = "\xBD\xC4";  // 식
inline constexpr char kUnitEa[] = "EA";  // EA
inline constexpr char kSupplied[] = "\xB0\xFC\xB1\xDE";  // 관급
inline constexpr char kSeparate[] = "\xBA\xB0\xBB\xEA";  // 별산
inline constexpr char kCheck[] = "\xB0\xCB\xC5\xE4\xBF\xE4";  // 검토요
inline constexpr char kBrokenNote[] = "\xBC\xB3\xC1\xA4\xC1\xA4\xBA\xB8 \xBE\xF8\xC0\xBD";  // 설정정보 없음
inline constexpr char kGa[] = "\xB0\xA1";  // 가
inline constexpr char kHa[] = "\xC7\xCF";  // 하
inline constexpr char kBuilding[] = "\xB5\xBF";  // 동

}  // namespace zel::reportwriter::text
