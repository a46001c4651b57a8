#include "control/leiauteefd.h"

namespace efd {
namespace {

int AnoMes(TDateTime data) {
  return data.Ano() * 100 + data.Mes();
}

}  // namespace

const std::vector<TxbBlocoLeiaute>& BlocosDoLeiaute() {
  using enum TLeituraContador;
  static const std::vector<TxbBlocoLeiaute> kBlocos = {
      {'0', 1, 200901, Tolerante}, {'0', 2, 201101, Tolerante}, {'A', 2, 201101, Tolerante},
      {'B', 1, 201901, Tolerante}, {'C', 1, 200901, Tolerante}, {'C', 2, 201101, Tolerante},
      {'D', 1, 200901, Tolerante}, {'D', 2, 201101, Tolerante}, {'E', 1, 200901, Tolerante},
      {'F', 2, 201101, Tolerante}, {'G', 1, 200901, Estrita},   {'H', 1, 200901, Estrita},
      {'I', 2, 201101, Estrita},   {'K', 1, 201401, Estrita},   {'M', 2, 201101, Estrita},
      {'P', 2, 201101, Estrita},   {'1', 1, 200901, Estrita},   {'1', 2, 201101, Estrita}};
  return kBlocos;
}

bool BlocoVigente(const TxbBlocoLeiaute& bloco, TDateTime inicio) {
  return AnoMes(inicio) >= bloco.desde;
}

bool BlocoNoLeiaute(int modelo, char letra, TDateTime inicio) {
  for (const auto& bloco : BlocosDoLeiaute())
    if (bloco.modelo == modelo && bloco.letra == letra) return BlocoVigente(bloco, inicio);
  return false;
}

std::string VersaoLeiauteContribuicoes(TDateTime inicio) {
  struct TVersao {
    int desde;
    const char* codigo;
  };
  static constexpr TVersao kVersoes[] = {
      {202001, "006"}, {201901, "005"}, {201806, "004"}, {201207, "003"}, {201101, "002"}};
  for (const auto& versao : kVersoes)
    if (AnoMes(inicio) >= versao.desde) return versao.codigo;
  return "";
}

}  // namespace efd
