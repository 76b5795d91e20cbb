#include "schema/LateGuards.h"

namespace Schema::LateGuards {

QStringList statements(Kind kind, Dialect::Engine e)
{
    if (kind != Kind::Central || e != Dialect::Engine::PostgreSQL)
        return {};
    // The counter row is locked before anything is looked at, as a
    // registration locks it: a registration that is about to take the number
    // waits, or has already taken it and is seen.
    return {QStringLiteral(
        "CREATE OR REPLACE FUNCTION tab_protocollo_recupero(p_ente text, p_tipo text, p_numero text, p_data date, "
        "p_oper text) RETURNS void LANGUAGE plpgsql SECURITY DEFINER SET search_path FROM CURRENT AS $late$\n"
        "DECLARE\n"
        "  last_given bigint;\n"
        "BEGIN\n"
        "  IF p_numero IS NULL OR p_numero !~ '^[0-9]{11}$' OR p_data IS NULL\n"
        "     OR extract(year FROM p_data) <> CAST(substr(p_numero, 1, 4) AS integer) THEN\n"
        "    RAISE EXCEPTION USING ERRCODE = 'integrity_constraint_violation', MESSAGE =\n"
        "      'Recupero del protocollo ' || coalesce(p_numero, '') || ': numero o data non validi.';\n"
        "  END IF;\n"
        "  SELECT GREATEST(COALESCE(Tab_ProtocolloEntrata, 0), COALESCE(tab_protocolloUscita, 0)) INTO last_given\n"
        "    FROM TAB_STARTPROTOCOLLO WHERE Tab_CodiceEnte = p_ente\n"
        "     AND Tab_AnnoProtocollo = CAST(substr(p_numero, 1, 4) AS integer) FOR UPDATE;\n"
        "  IF last_given IS NULL OR CAST(substr(p_numero, 5) AS bigint) >= last_given THEN\n"
        "    RAISE EXCEPTION USING ERRCODE = 'integrity_constraint_violation', MESSAGE =\n"
        "      'Recupero del protocollo ' || p_numero || ': il numero non è ancora stato superato dal contatore.';\n"
        "  END IF;\n"
        "  IF EXISTS (SELECT 1 FROM Tab_Protocollo WHERE Tab_Ente = p_ente AND Tab_NumeroProtocollo = p_numero) THEN\n"
        "    RAISE EXCEPTION USING ERRCODE = 'unique_violation', MESSAGE =\n"
        "      'Recupero del protocollo ' || p_numero || ': numero già utilizzato.';\n"
        "  END IF;\n"
        "  INSERT INTO Tab_Protocollo_Ammissioni (Amm_Ente, Amm_NumeroProtocollo, Amm_Motivo, Amm_CodOper, "
        "Amm_DataOra)\n"
        "    VALUES (p_ente, p_numero, 'recupero', p_oper, LOCALTIMESTAMP(0));\n"
        "  INSERT INTO Tab_ProtocolloRecuperato (Rec_Ente, Rec_TipoProtocollo, Rec_NumeroProtocollo, "
        "Rec_DataProtocollo, Rec_DataOraScrittura, Rec_CodOper)\n"
        "    VALUES (p_ente, p_tipo, p_numero, p_data, LOCALTIMESTAMP(0), p_oper);\n"
        "END $late$")};
}

} // namespace Schema::LateGuards
