; Included from t-mail.ctl
AddressAliases  alias.lst
Route_To        2:5030/1 2:*
